#include "CueTexts.h"

namespace renamer {

std::string describeRowCue(const RowCue& cue, const std::optional<NameRefusal>& refusal, std::string_view name)
{
    const std::string row = std::to_string(cue.otherRow);
    switch (cue.kind) {
    case RowCueKind::Clean:
        return {};
    case RowCueKind::MovesAfterRow:
        return "第 " + row + " 行的文件让出此文件名后再重命名";
    case RowCueKind::RotatesWithRow:
        return "与第 " + row + " 行轮换文件名";
    case RowCueKind::Unchanged:
        return "新文件名与原文件名相同";
    case RowCueKind::StaleProposal:
        return "当前表达式不匹配此文件；新文件名来自之前的表达式";
    case RowCueKind::NameNotUtf8:
        return "文件名不是有效的 UTF-8 文本，表达式无法匹配它，此文件不能重命名";
    case RowCueKind::InvalidName:
        return "新文件名无效：不能含有“/”，也不能是“.”或“..”";
    case RowCueKind::NameTooLong:
        return "新文件名过长";
    case RowCueKind::NotAWindowsName:
        return refusal ? "新文件名不适用于 Windows 卷：" + describeNameRefusal(*refusal) : "新文件名不适用于 Windows 卷";
    case RowCueKind::ReadOnlyVolume:
        return "文件夹所在的卷是只读的";
    case RowCueKind::NoWriteRights:
        return "没有在此文件夹中重命名文件的权限";
    case RowCueKind::TakenOnDisk:
        return "目录中已有同名文件";
    case RowCueKind::TakenByEarlierRow:
        return "与第 " + row + " 行的新文件名相同";
    case RowCueKind::BlockedByRow:
        return "新文件名属于第 " + row + " 行的文件，而第 " + row + " 行不能重命名";
    case RowCueKind::SourceGone:
        return "原文件已不存在";
    case RowCueKind::RenamedByEarlierRow:
        return "第 " + row + " 行已将此文件重命名";
    case RowCueKind::SourceReplaced:
        return "原文件名已属于另一个文件";
    case RowCueKind::FolderReplaced:
        return "文件夹已被替换";
    case RowCueKind::InDocumentPortal:
        return "文件来自沙盒应用，找不到它在磁盘上的位置";
    case RowCueKind::LeftUnderTemporaryName:
        return "重命名中断时留下的临时文件名，原名为“" + std::string(name) + "”";
    case RowCueKind::SecondName:
        return "此文件还有另一个名字：“" + std::string(name) + "”";
    }
    return {};
}

} // namespace renamer
