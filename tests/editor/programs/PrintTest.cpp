#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>
#include <QTextItem>
#include <algorithm>

#include "Version.h"
#include "editor/programs/ListPrinter.h"
#include "editor/programs/ParameterList.h"
#include "editor/programs/ParameterTableDialog.h"
#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "support/Fresh.h"
#include "support/TempDir.h"

namespace tolmarin::testing {
namespace {

TEST(PrintLayout, PageRangesClampAndRunBackwardsWhenChosenSo) {
    EXPECT_EQ(PageSequence(3, 1, 1, 4), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(PageSequence(0, 9, 1, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PageSequence(2, 2, 1, 3), (std::vector<int>{2}));
}

TEST(PrintLayout, ColumnsKeepTheirScreenProportionsAcrossThePage) {
    EXPECT_EQ(ScaleColumns({110, 90, 90}, 2900), (std::vector<int>{0, 1100, 2000, 2900}));
    // Truncated toward zero, the last edge on the page width.
    EXPECT_EQ(ScaleColumns({110, 90, 90}, 1000), (std::vector<int>{0, 379, 689, 1000}));
}

TEST(PrintLayout, PagesAreOneMoreThanTheWholePagesOfRows) {
    EXPECT_EQ(RowsPerPage(1000, 19), 49);
    EXPECT_EQ(PageCount(65, 20), 4);
    EXPECT_EQ(PageCount(65, 13), 6);  // the sixth holds headings and empty ruled rows only
    EXPECT_EQ(FormatPageText("Page %d of %d", 2, 3), "Page 2 of 3");
}

// Keeps the texts drawn on each page and where they begin.
class RecordingEngine : public QPaintEngine {
public:
    struct Text {
        QPointF at;
        QString text;
    };
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        pages.back().push_back({at, item.text()});
    }
    Type type() const override { return QPaintEngine::User; }

    std::vector<std::vector<Text>> pages{1};
};

// A 600 dpi page 210 mm by 102 mm: short, so the table takes several pages.
class RecordingPage : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric m) const override {
        constexpr int kDpi = 600;
        switch (m) {
            case PdmWidth:
                return 4960;
            case PdmHeight:
                return 2400;
            case PdmWidthMM:
                return 210;
            case PdmHeightMM:
                return 102;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return INT_MAX;
            case PdmDevicePixelRatio:
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(m == PdmDevicePixelRatio ? 1 : devicePixelRatioFScale());
            default:
                return kDpi;
        }
    }
};

struct Printing : ::testing::Test {
    FreshState fresh;
    ChannelSet channels{*fresh};
    ParameterTableDialog dialog{channels, fresh->ui};
    ListPrinter job{fresh->ui};
    RecordingPage device;
    const QDateTime when{QDate(2026, 12, 9), QTime(21, 30)};

    void SetUp() override {
        dialog.SetPrintSubject({"Lobby", "", "127.0.0.1:8899", QStringLiteral("/x/MusicFile")});
    }

    std::vector<std::vector<RecordingEngine::Text>>& Print(int from, int to) {
        dialog.ConfigurePrint(job, when);
        PrintInfo info;
        EXPECT_TRUE(job.OnPreparePrinting(info, true));
        info.fromPage = from;
        info.toPage = to;
        EXPECT_TRUE(job.PrintPages(
            device,
            [this] {
                device.engine.pages.emplace_back();
                return true;
            },
            info));
        return device.engine.pages;
    }
    using Page = std::vector<RecordingEngine::Text>;
    static const RecordingEngine::Text* Find(const Page& page, const QString& s) {
        const auto it = std::ranges::find_if(page, [&](const auto& t) { return t.text == s; });
        return it == page.end() ? nullptr : &*it;
    }
};

TEST_F(Printing, EveryPageNamesWhatIsPrintedAndCarriesItsNumberAndTheRowsOfItsShare) {
    const auto& pages = Print(1, PrintInfo::kUnboundedPage);
    const int perPage = job.RowsPerPageCount();
    const int count = PageCount(kParameterRows, perPage);
    ASSERT_GT(count, 2);
    ASSERT_EQ(static_cast<int>(pages.size()), count);
    const QRect area = job.PageRect(device, QRect(0, 0, device.width(), device.height()));
    const QString footer = QStringLiteral("Printed with Tolmarin ") + QLatin1String(kVersion);
    for (int p = 1; p <= count; ++p) {
        const auto& page = pages[p - 1];
        for (const char* line : {"Parameters of CH1 and CH2: Lobby", "Amplifier: 127.0.0.1:8899",
                                 "Printed 2026-12-09 21:30"}) {
            const auto* text = Find(page, QString::fromLatin1(line));
            ASSERT_NE(text, nullptr) << line;
            EXPECT_LT(text->at.y(), area.center().y()) << line;  // in the header
        }
        // The page number and the application are in the footer, the number on the right.
        const QString number = QString("Page %1 of %2").arg(p).arg(count);
        const auto* text = Find(page, number);
        ASSERT_NE(text, nullptr) << number.toStdString();
        EXPECT_GT(text->at.x(), area.center().x());
        EXPECT_GT(text->at.y(), area.center().y());
        const auto* application = Find(page, footer);
        ASSERT_NE(application, nullptr);
        EXPECT_LT(application->at.x(), area.center().x());
        EXPECT_GT(application->at.y(), area.center().y());
        EXPECT_NE(Find(page, "PARAM"), nullptr);
        const int first = (p - 1) * perPage;
        if (first < kParameterRows) {  // a multiple of the rows ends on an empty page
            EXPECT_NE(Find(page, dialog.List().GetItemText(first, 0)), nullptr) << p;
        }
    }
    EXPECT_NE(Find(pages[(kParameterRows - 1) / perPage], "Release"), nullptr);
}

TEST_F(Printing, TheTitleIsTheProgramNameElseTheFileNameElseTheLiveProgram) {
    dialog.ConfigurePrint(job, when);
    EXPECT_EQ(job.DocumentName(), "Lobby");
    EXPECT_EQ(job.OutputFile(), "/x/MusicFile/Lobby.pdf");  // not "senza nome.pdf" at home
    dialog.SetPrintSubject({"  ", "/y/MusicFile/Hall.Data12File", "", {}});
    EXPECT_EQ(dialog.PrintTitle(), "Hall.Data12File");
    dialog.SetPrintSubject({"", "", "", {}});
    EXPECT_EQ(dialog.PrintTitle(), "Live program");
    fresh->ui.language = Language::Chinese;
    EXPECT_EQ(dialog.PrintTitle(), QString::fromUtf8("当前程序"));
}

TEST_F(Printing, APageRangeChosenBackwardsPrintsBackwards) {
    const auto& pages = Print(3, 1);
    ASSERT_EQ(pages.size(), 3u);
    const int count = PageCount(kParameterRows, job.RowsPerPageCount());
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(Find(pages[i], QString("Page %1 of %2").arg(3 - i).arg(count)), nullptr) << i;
    }
}

TEST_F(Printing, ThePdfHasOnePagePerShareOfRows) {
    TempDir dir("print");
    const QString path = QString::fromStdString(dir.PathOf("table.pdf"));
    dialog.ConfigurePrint(job, when);
    ASSERT_TRUE(job.PrintToPdf(path, QPageSize(QPageSize::A6)));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    const auto match = QRegularExpression(R"(/Type /Pages\s*/Kids\s*\[[^\]]*\]\s*/Count (\d+))")
                           .match(QString::fromLatin1(bytes));
    ASSERT_TRUE(match.hasMatch());
    EXPECT_EQ(match.captured(1).toInt(), PageCount(kParameterRows, job.RowsPerPageCount()));
    EXPECT_GT(match.captured(1).toInt(), 1);
    if (qEnvironmentVariableIsSet("TOLMARIN_KEEP_PDF")) {
        QFile::copy(path, qEnvironmentVariable("TOLMARIN_KEEP_PDF"));
    }
    // With TOLMARIN_PICTURES naming a folder, an A4 print in each language is kept there,
    // to be rendered (pdftoppm) and looked at.
    const QString folder = qEnvironmentVariable("TOLMARIN_PICTURES");
    if (!folder.isEmpty()) {
        for (const Language language : {Language::English, Language::Chinese}) {
            fresh->ui.language = language;
            ParameterTableDialog table{channels, fresh->ui};
            table.SetPrintSubject({"Lobby", "", "127.0.0.1:8899", {}});
            ListPrinter a4{fresh->ui};
            table.ConfigurePrint(a4, when);
            const char* name = language == Language::English ? "parameter-table-print-en.pdf"
                                                             : "parameter-table-print-zh.pdf";
            EXPECT_TRUE(a4.PrintToPdf(QDir(folder).filePath(QString::fromLatin1(name)),
                                      QPageSize(QPageSize::A4)));
        }
    }
}

}  // namespace
}  // namespace tolmarin::testing
