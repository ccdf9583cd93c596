#include "venue/PushPlan.h"

#include <filesystem>
#include <span>

namespace tolmarin::venue {

PushPlan PreparePush(const std::string& path, bool force) {
    PushPlan plan;
    const std::string name = std::filesystem::path(path).filename().string();
    const bool wantsAll = name.ends_with(kAllProgramsExtension);
    if (!wantsAll && !name.ends_with(kSingleProgramExtension)) {
        plan.refusal = PushRefusal::UnknownExtension;
        return plan;
    }
    plan.wanted = wantsAll ? ProgramFileKind::AllPrograms : ProgramFileKind::Single;
    if (plan.read = ReadFileBytes(path, plan.bytes); plan.read != FileStatus::Ok) {
        plan.refusal = PushRefusal::Unreadable;
        return plan;
    }
    plan.size = plan.bytes.size();
    plan.kind = KindOfFileSize(static_cast<long long>(plan.size));
    if (plan.kind != plan.wanted) {
        plan.refusal = PushRefusal::KindMismatch;
        return plan;
    }
    if (!force) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(plan.bytes.data());
        const int count = plan.kind == ProgramFileKind::Single ? 1 : kStoredPrograms;
        for (int n = 0; n < count; ++n) {
            const auto record = std::span<const std::uint8_t, kProgramRecordSize>(
                data + static_cast<std::size_t>(n) * kProgramRecordSize, kProgramRecordSize);
            if (auto fault = CheckProgram(record)) {
                plan.refusal = PushRefusal::ProgramRejected;
                plan.program = count > 1 ? n + 1 : 0;
                plan.fault = std::move(fault);
                return plan;
            }
        }
    }
    return plan;
}

}  // namespace tolmarin::venue
