// The texts a user reads, pinned in one place: every other test asks for a
// failure's kind and builds the texts it expects from these functions.
#include "FileSystemFailures.h"
#include "UserTexts.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace renamer;

TEST(UserTexts, EveryFailureAndStatusTextReadsAsTheDesignHasIt)
{
    const struct {
        const char* behaviour;
        std::string text;
        std::string expected;
    } rows[] = {
        {"not found", failureOf(FailureKind::NotFound).description, "文件未找到"},
        {"exists", failureOf(FailureKind::Exists).description, "文件已存在"},
        {"no rights", failureOf(FailureKind::NoRights).description, "没有权限"},
        {"read-only", failureOf(FailureKind::ReadOnly).description, "只读文件系统"},
        {"name too long", failureOf(FailureKind::NameTooLong).description, "文件名过长"},
        {"name refused", failureOf(FailureKind::NameRefused).description, "文件名无效"},
        {"folder replaced", failureOf(FailureKind::FolderReplaced).description, "文件夹已被替换"},
        {"file replaced", failureOf(FailureKind::FileReplaced).description, "文件已被替换"},
        {"list full", failureOf(FailureKind::ListFull).description, "列表已满"},
        {"unsupported", failureOf(FailureKind::Unsupported).description, "此卷不支持此操作"},
        {"a refused name names its rule", nameRefusedFailure({NameRefusalKind::ForbiddenCharacter, U':'}).description,
         "文件名无效：不能含有“:”"},
        {"a refusal for length is a name too long", nameRefusedFailure({NameRefusalKind::TooLong}).description,
         "文件名过长"},
        {"the failure message", renameFailureMessage("a.txt", "b.txt", "文件已存在"),
         "将\"a.txt\"重命名为\"b.txt\"时出错：文件已存在"},
        {"the start-up hint", std::string(kStartupHint), "提示:将文件或目录拖至列表窗口"},
        {"after a drop", std::string(kAddedToListSuffix), "个文件已加入列表"},
        {"after a batch", std::string(kRenamedSuffix), "个文件已重命名"},
        {"the column headers",
         std::string(kIdHeader) + "|" + std::string(kPathHeader) + "|" + std::string(kFileNameHeader) + "|"
             + std::string(kNewNameHeader),
         "#|目录|原文件名|新文件名"},
        {"ENOTDIR is not found", failureOfErrno(ENOTDIR).description, "文件未找到"},
        {"ENOTEMPTY exists", failureOfErrno(ENOTEMPTY).description, "文件已存在"},
        {"EBADMSG is a name refused", failureOfErrno(EBADMSG).description, "文件名无效"},
        {"EILSEQ", failureOfErrno(EILSEQ).description, "文件名含有此卷不能存储的字符"},
        {"EBUSY", failureOfErrno(EBUSY).description, "文件正在使用"},
        {"ENOSPC", failureOfErrno(ENOSPC).description, "磁盘空间不足"},
        {"EXDEV", failureOfErrno(EXDEV).description, "不能移到其他磁盘"},
        {"not a file", notAFileFailure().description, "不是文件"},
        {"not a folder", notAFolderFailure().description, "不是文件夹"},
        {"lost after the move", lostAfterMoveFailure().description, "文件已重命名，但在新文件名下找不到它"},
        {"fusefat's own rule", onlyAsciiOnThisDriverFailure().description,
         "文件名无效：此卷的驱动（fusefat）只能存 ASCII 字符"},
        {"a file left under a temporary name",
         leftUnderTemporaryName(failureOfErrno(EBUSY), "a.txt.~regex-renamer").description,
         "文件正在使用（文件现名为 a.txt.~regex-renamer）"},
        {"a document the portal does not place", unmappedDocumentFailure().description,
         "文件来自沙盒应用，找不到它在磁盘上的位置"},
        {"names left halfway round", leftMidRotation(failureOfErrno(EBUSY)).description,
         "文件正在使用（未能撤销已交换的文件名）"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.text, row.expected) << row.behaviour;
    EXPECT_THROW(failureOf(FailureKind::Other), std::invalid_argument);
}
