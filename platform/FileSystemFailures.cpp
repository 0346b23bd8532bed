#include "FileSystemFailures.h"

#include "UserTexts.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace renamer {
namespace {

// strerror_r comes in two shapes: the GNU one returns the text (which may or
// may not be the buffer), the POSIX one fills the buffer and returns 0.
[[maybe_unused]] const char* messageFrom(const char* gnuResult, const char*)
{
    return gnuResult;
}

[[maybe_unused]] const char* messageFrom(int posixResult, const char* buffer)
{
    return posixResult == 0 ? buffer : nullptr;
}

std::string systemMessage(int error)
{
    char buffer[256] = {};
    const char* message = messageFrom(strerror_r(error, buffer, sizeof buffer), buffer);
    if (message == nullptr || *message == '\0')
        return "系统错误 " + std::to_string(error);
    return message;
}

} // namespace

Failure failureOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return failureOf(FailureKind::NotFound);
    case EEXIST:
    case ENOTEMPTY:
        return failureOf(FailureKind::Exists);
    case EACCES:
    case EPERM:
        return failureOf(FailureKind::NoRights);
    case EROFS:
        return failureOf(FailureKind::ReadOnly);
    case ENAMETOOLONG:
        return failureOf(FailureKind::NameTooLong);
    case EINVAL:
    case EBADMSG: // sshfs, for a name the server refused
        return failureOf(FailureKind::NameRefused);
    case EILSEQ:
        return Failure{"文件名含有此卷不能存储的字符", FailureKind::NameRefused};
    case EBUSY:
        return Failure{"文件正在使用"};
    case ENOSPC:
        return Failure{"磁盘空间不足"};
    case EXDEV:
        return Failure{"不能移到其他磁盘"};
    default:
        return Failure{systemMessage(error)};
    }
}

Failure refusedNameFailure(int error, const std::optional<NameRefusal>& refusal)
{
    if (refusal)
        return nameRefusedFailure(*refusal);
    return failureOfErrno(error == ENOENT ? EINVAL : error);
}

Failure notAFileFailure()
{
    return Failure{"不是文件"};
}

Failure notAFolderFailure()
{
    return Failure{"不是文件夹"};
}

Failure invalidNameFailure(const std::optional<NameRefusal>& refusal)
{
    Failure failure = failureOf(FailureKind::NameRefused);
    failure.refusal = refusal;
    return failure;
}

Failure lostAfterMoveFailure()
{
    return Failure{"文件已重命名，但在新文件名下找不到它"};
}

Failure onlyAsciiOnThisDriverFailure()
{
    Failure failure = failureOf(FailureKind::NameRefused);
    failure.description += "：此卷的驱动（fusefat）只能存 ASCII 字符";
    return failure;
}

Failure unmappedDocumentFailure()
{
    return {"文件来自沙盒应用，找不到它在磁盘上的位置", FailureKind::Unsupported};
}

} // namespace renamer
