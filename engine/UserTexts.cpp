#include "UserTexts.h"

#include "Utf8.h"

#include <stdexcept>

namespace renamer {

Failure failureOf(FailureKind kind)
{
    const auto text = [kind]() -> std::string_view {
        switch (kind) {
        case FailureKind::NotFound:
            return "文件未找到";
        case FailureKind::Exists:
            return "文件已存在";
        case FailureKind::NoRights:
            return "没有权限";
        case FailureKind::ReadOnly:
            return "只读文件系统";
        case FailureKind::NameTooLong:
            return "文件名过长";
        case FailureKind::NameRefused:
            return "文件名无效";
        case FailureKind::FolderReplaced:
            return "文件夹已被替换";
        case FailureKind::FileReplaced:
            return "文件已被替换";
        case FailureKind::ListFull:
            return "列表已满";
        case FailureKind::Unsupported:
            return "此卷不支持此操作";
        case FailureKind::Other:
            break;
        }
        throw std::invalid_argument("a failure of no kind has no text of its own");
    }();
    return Failure{std::string(text), kind};
}

Failure nameRefusedFailure(const NameRefusal& refusal)
{
    if (refusal.kind == NameRefusalKind::TooLong)
        return failureOf(FailureKind::NameTooLong);
    Failure failure = failureOf(FailureKind::NameRefused);
    failure.description += "：" + describeNameRefusal(refusal);
    failure.refusal = refusal;
    return failure;
}

std::string renameFailureMessage(std::string_view oldName, std::string_view newName, std::string_view description)
{
    std::string message = "将\"";
    message += oldName;
    message += "\"重命名为\"";
    message += newName;
    message += "\"时出错：";
    message += description;
    return message;
}

Failure leftUnderTemporaryName(Failure failure, std::string_view temporary)
{
    failure.description += "（文件现名为 ";
    failure.description += temporary;
    failure.description += "）";
    return failure;
}

Failure leftMidRotation(Failure failure)
{
    failure.description += "（未能撤销已交换的文件名）";
    return failure;
}

std::string describeNameRefusal(const NameRefusal& refusal)
{
    switch (refusal.kind) {
    case NameRefusalKind::Empty:
        return "文件名为空";
    case NameRefusalKind::DotName:
        return "文件名不能是“.”或“..”";
    case NameRefusalKind::ForbiddenCharacter: {
        if (refusal.character == U'\0')
            return "不能含有空字符";
        std::string text = "不能含有“";
        appendUtf8(text, refusal.character);
        return text + "”";
    }
    case NameRefusalKind::ControlCharacter:
        return "不能含有控制字符";
    case NameRefusalKind::NotUtf8:
        return "含有无法识别的字节";
    case NameRefusalKind::DeviceName:
        return "是 Windows 保留的设备名";
    case NameRefusalKind::TrailingDotOrSpace:
        return refusal.character == U'.' ? "不能以“.”结尾" : "不能以空格结尾";
    case NameRefusalKind::TooLong:
        return "文件名过长";
    }
    return {};
}

} // namespace renamer
