// The form as the link controller's view: link-up with its pop-ups and progress, status
// readouts, and the Connect dialog. The transports are scripted and the pacing is ticked by
// hand; the pop-ups' own timers run on the event loop.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QProgressBar>

#include "LinkedForm.h"
#include "controls/FontLabel.h"
#include "controls/PictureButton.h"
#include "controls/PictureRadio.h"
#include "controls/TransparentLabel.h"
#include "editor/form/FormText.h"
#include "editor/form/LinkDialogs.h"
#include "formdesc/FormIds.h"
#include "support/qt/EventLoop.h"

namespace tolmarin::testing {
namespace {

using namespace form;

TEST(FormLink, LinkUpBlocksTheFormUntilTheLiveProgramThenAnnouncesItForASecond) {
    LinkedForm r;
    r.controller->OpenSerialLinkTo("ttyFAKE0");
    auto* bar = r.view->findChild<QProgressBar*>();
    EXPECT_EQ(bar->maximum(), 24);
    EXPECT_TRUE(r.view->BusyWindow().isVisible());
    EXPECT_FALSE(r.view->isEnabled());
    EXPECT_TRUE(r.Get<PictureButton>(kLinkButton)->IsOn());

    ASSERT_TRUE(r.LinkUp() || r.controller->Linked());
    DonePopup& done = r.view->DoneWindow();
    EXPECT_TRUE(done.isVisible());
    EXPECT_EQ(done.Text()->Text(), QStringLiteral("Up File Successful!"));
    // The event loop keeps running while it shows; then both pop-ups go and the form is
    // usable again.
    EXPECT_TRUE(SpinUntil(
        [&] {
            return !done.isVisible() && !r.view->BusyWindow().isVisible() && r.view->isEnabled();
        },
        5000));
}

// Pictures for the documentation when TOLMARIN_PICTURES names a folder.
void SavePicture(const QPixmap& picture, const QString& name) {
    const QString folder = qEnvironmentVariable("TOLMARIN_PICTURES");
    if (!folder.isEmpty()) {
        picture.save(QDir(folder).filePath(name));
    }
}

QString Suffix(Language language) {
    return language == Language::English ? QStringLiteral("-en.png") : QStringLiteral("-zh.png");
}

TEST(FormLink, TheLampIsAmberUntilTheFirstReplyAndGreenOnlyThenInBothLanguages) {
    for (const Language language : {Language::English, Language::Chinese}) {
        LinkedForm r;
        r.fresh->ui.language = language;
        r.view->ApplyLanguage();
        const bool english = language == Language::English;
        auto* link = r.Get<PictureButton>(kLinkButton);
        // The progress bar and the Link button, twice their size.
        const QRect corner(link->x() - 200, 0, r.view->width() - link->x() + 200,
                           link->geometry().bottom() + 6);
        const auto shot = [&r, corner] {
            const QPixmap p = r.view->grab(corner);
            return p.scaled(p.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        };
        r.serial.responder = nullptr;  // the port opens; the amplifier has not answered yet
        r.controller->OpenSerialLinkTo("ttyFAKE0");
        EXPECT_EQ(link->CurrentBitmap(),
                  english ? picture::kLinkConnectingEnglish : picture::kLinkConnectingChinese);
        SavePicture(shot(), QStringLiteral("link-connecting") + Suffix(language));
        r.serial.responder = [&r](const Bytes& f) { return AmplifierReply(f, r.status); };
        r.Step(2);
        EXPECT_EQ(link->CurrentBitmap(),
                  english ? picture::kLinkOnEnglish : picture::kLinkOnChinese);
        SavePicture(shot(), QStringLiteral("link-up") + Suffix(language));
        r.controller->CloseLink();
        EXPECT_EQ(link->CurrentBitmap(),
                  english ? picture::kLinkOffEnglish : picture::kLinkOffChinese);

        // A port that never answers: the give-up names it and the silence.
        r.view->BusyWindow().ShowBusy(BusyState::Hidden);
        r.serial.responder = nullptr;
        r.controller->OpenSerialLinkTo("ttyFAKE0");
        r.Step(110);
        ASSERT_EQ(r.fresh.sink.messages.size(), 1u);
        const QString text = QString::fromStdString(r.fresh.sink.messages[0]);
        EXPECT_TRUE(text.contains(QStringLiteral("ttyFAKE0"))) << text.toStdString();
        QTimer::singleShot(0, [language] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                SavePicture(box->grab(), QStringLiteral("link-failed") + Suffix(language));
                box->close();
            }
        });
        ShowMessageBox(r.view.get(), r.fresh->ui, text, MessageKind::Stop);
    }
}

TEST(FormLink, StatusTemperaturesAreClampedAndShownMinusTen) {
    LinkedForm r;
    ASSERT_TRUE(r.LinkUp());
    r.Step(6);
    EXPECT_EQ(r.Get<TransparentLabel>(kTemperature)->text(), QStringLiteral("90"));
    EXPECT_EQ(r.Get<TransparentLabel>(kTemperature + 1)->text(), QStringLiteral("-5"));
}

TEST(FormLink, BusyPopupIgnoresEnterEscapeAndClose) {
    LinkedForm r;
    BusyPopup& busy = r.view->BusyWindow();
    busy.ShowBusy(BusyState::Shown);
    QTest::keyClick(&busy, Qt::Key_Escape);
    QTest::keyClick(&busy, Qt::Key_Return);
    busy.close();
    EXPECT_TRUE(busy.isVisible());
    busy.ShowBusy(BusyState::Hidden);
    EXPECT_FALSE(busy.isVisible());
    EXPECT_TRUE(r.view->isEnabled());
}

TEST(ConnectDialog, TakesOverATypedAddressAndPortAndRemembersThem) {
    FormRig r;
    {
        ConnectDialog dlg(*r.fresh, r.settings, LinkKind::Usb);
        dlg.AddressField()->setText(QStringLiteral("127.0.0.1"));
        QTest::keyClicks(dlg.PortField(), QString());
        dlg.PortField()->setText(QStringLiteral("9123"));
        dlg.NetworkRadio()->click();
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const ConnectChoice c = dlg.Choice();
        EXPECT_EQ(c.kind, LinkKind::Network);
        EXPECT_EQ(c.host, "127.0.0.1");
        EXPECT_EQ(c.tcpPort, 9123);
    }
    ConnectDialog again(*r.fresh, r.settings, LinkKind::Network);
    EXPECT_EQ(again.AddressField()->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(again.PortField()->text(), QStringLiteral("9123"));
    EXPECT_TRUE(again.NetworkRadio()->isChecked());

    // A port out of range is refused: the dialog stays open.
    again.PortField()->setText(QStringLiteral("70000"));
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
    });
    again.accept();
    EXPECT_NE(again.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tolmarin::testing
