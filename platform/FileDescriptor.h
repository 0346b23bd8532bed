#pragma once

#include <utility>

#include <unistd.h>

namespace renamer {

// Owns a POSIX file descriptor and closes it; -1 holds none.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor)
        : descriptor_(descriptor)
    {
    }
    ~FileDescriptor()
    {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        FileDescriptor(std::move(other)).swap(*this);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return descriptor_; }
    explicit operator bool() const { return descriptor_ >= 0; }
    void swap(FileDescriptor& other) noexcept { std::swap(descriptor_, other.descriptor_); }

private:
    int descriptor_ = -1;
};

} // namespace renamer
