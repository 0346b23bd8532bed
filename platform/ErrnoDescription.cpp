#include "ErrnoDescription.h"

#include <cerrno>
#include <cstring>

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

} // namespace

std::string describeErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "文件未找到";
    case EEXIST:
    case ENOTEMPTY:
        return "文件已存在";
    case EACCES:
    case EPERM:
        return "没有权限";
    case EROFS:
        return "只读文件系统";
    case ENAMETOOLONG:
        return "文件名过长";
    case EINVAL:
    case EBADMSG: // sshfs, for a name the server refused
        return "文件名无效";
    case EILSEQ:
        return "文件名含有此卷不能存储的字符";
    case EBUSY:
        return "文件正在使用";
    case ENOSPC:
        return "磁盘空间不足";
    case EXDEV:
        return "不能移到其他磁盘";
    default:
        break;
    }
    char buffer[256] = {};
    const char* message = messageFrom(strerror_r(error, buffer, sizeof buffer), buffer);
    if (message == nullptr || *message == '\0')
        return "系统错误 " + std::to_string(error);
    return message;
}

std::string describeRefusedName(int error, const std::optional<NameRefusal>& refusal)
{
    if (refusal && refusal->kind == NameRefusalKind::TooLong)
        return describeErrno(ENAMETOOLONG);
    if (refusal)
        return "文件名无效：" + describeNameRefusal(*refusal);
    return describeErrno(error == ENOENT ? EINVAL : error);
}

} // namespace renamer
