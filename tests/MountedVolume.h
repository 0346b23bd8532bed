#pragma once

#include "TemporaryDirectory.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace renamer::test_support {

// The real file systems a test can mount, each on a fresh, empty volume.
enum class VolumeType {
    Ext4,                 // kernel, loop device
    Xfs,                  // kernel, loop device
    Btrfs,                // kernel, loop device
    Tmpfs,                // kernel, in memory
    Exfat,                // exfat-fuse on a loop device
    Fat,                  // fusefat on the image file
    Ntfs,                 // ntfs-3g on the image file
    NtfsWindowsNames,     // ntfs-3g -o windows_names on a loop device
    Sshfs,                // sshfs to a private sshd on 127.0.0.1
    SshfsWithoutHardLinks, // the same with -o disable_hardlink
};

inline const char* nameOf(VolumeType type)
{
    switch (type) {
    case VolumeType::Ext4: return "Ext4";
    case VolumeType::Xfs: return "Xfs";
    case VolumeType::Btrfs: return "Btrfs";
    case VolumeType::Tmpfs: return "Tmpfs";
    case VolumeType::Exfat: return "ExfatFuse";
    case VolumeType::Fat: return "Fusefat";
    case VolumeType::Ntfs: return "Ntfs3g";
    case VolumeType::NtfsWindowsNames: return "Ntfs3gWindowsNames";
    case VolumeType::Sshfs: return "Sshfs";
    case VolumeType::SshfsWithoutHardLinks: return "SshfsWithoutHardLinks";
    }
    return "?";
}

struct CommandOutcome {
    int status = -1; // the exit status, -1 when it did not run or was killed
    std::string output; // standard output and error together
};

// Runs a program with `arguments` (the first names it, looked up in PATH and
// the sbin folders) and waits for it. Its output goes through a file, not a
// pipe: mount helpers leave daemons behind that keep their output open.
inline CommandOutcome runCommand(const std::vector<std::string>& arguments, const std::string& scratchFolder)
{
    CommandOutcome outcome;
    const std::string logPath = scratchFolder + "/command.log";
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0)
        return outcome;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, log, 1);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(log);
    if (spawned != 0) {
        outcome.output = arguments[0] + ": cannot run";
        return outcome;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.output = std::string(std::istreambuf_iterator<char>(std::ifstream(logPath).rdbuf()), {});
    while (!outcome.output.empty() && outcome.output.back() == '\n')
        outcome.output.pop_back();
    return outcome;
}

// The full path of a program, searched in PATH and the sbin folders (which a
// test's PATH may lack), or nothing.
inline std::optional<std::string> findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = std::string(path != nullptr ? path : "") + ":/usr/sbin:/sbin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, colon - start) + "/" + name;
        if (colon > start && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = colon + 1;
    }
    return std::nullopt;
}

// A real file system, mounted for one test on a fresh image (or, for sshfs,
// on a fresh folder served by an sshd of its own) under a temporary folder.
// Where it cannot be mounted (not root, no /dev/fuse, a program missing, the
// system refusing), mounted() is false and whyNot() says why, for
// GTEST_SKIP. Going out of scope unmounts it (retrying briefly while it is
// busy), detaches its loop device and stops its sshd, also when the test
// failed or threw.
class MountedVolume {
public:
    explicit MountedVolume(VolumeType type)
        : type_(type)
    {
        mountPoint_ = temp_.path() + "/volume";
        mkdir(mountPoint_.c_str(), 0755);
        whyNot_ = mountVolume();
    }
    ~MountedVolume()
    {
        if (mounted_)
            unmount();
        stopSshd();
    }
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    VolumeType type() const { return type_; }
    // The mount point: the volume's root folder.
    const std::string& path() const { return mountPoint_; }

    // Makes the mount read-only from here on (a read-only bind remount, which
    // every file system takes), so a test can fill a volume and then find it
    // read-only. Returns the failure's output, empty on success.
    std::string makeReadOnly()
    {
        const auto outcome = run({"mount", "-o", "remount,bind,ro", mountPoint_});
        return outcome.status == 0 ? std::string() : outcome.output;
    }

private:
    bool isFuse() const
    {
        return type_ != VolumeType::Ext4 && type_ != VolumeType::Xfs && type_ != VolumeType::Btrfs
            && type_ != VolumeType::Tmpfs;
    }
    bool isSshfs() const { return type_ == VolumeType::Sshfs || type_ == VolumeType::SshfsWithoutHardLinks; }

    CommandOutcome run(const std::vector<std::string>& arguments) { return runCommand(arguments, temp_.path()); }

    // Empty when mounted, else why not.
    std::string mountVolume()
    {
        if (geteuid() != 0)
            return "mounting needs root";
        if (isFuse()) {
            const int fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
            if (fuse < 0)
                return "/dev/fuse cannot be opened";
            close(fuse);
        }
        if (isSshfs())
            return mountSshfs();
        if (type_ == VolumeType::Tmpfs) {
            if (const auto mounted = run({"mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs", mountPoint_});
                mounted.status != 0)
                return "the kernel refused the tmpfs mount: " + mounted.output;
            mounted_ = true;
            return {};
        }

        const std::string image = temp_.path() + "/volume.img";
        // Sparse: only what the file system writes takes room. xfs wants
        // 300 MiB at least, btrfs about 110 MiB.
        const off_t size = type_ == VolumeType::Xfs ? (320 << 20) : type_ == VolumeType::Btrfs ? (160 << 20) : (32 << 20);
        const int file = open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file < 0 || ftruncate(file, size) != 0)
            return "cannot make the image file";
        close(file);

        std::vector<std::string> format;
        switch (type_) {
        case VolumeType::Ext4: format = {"mkfs.ext4", "-q", "-F", image}; break;
        case VolumeType::Xfs: format = {"mkfs.xfs", "-q", "-f", image}; break;
        case VolumeType::Btrfs: format = {"mkfs.btrfs", "-q", "-f", image}; break;
        case VolumeType::Exfat: format = {"mkfs.exfat", image}; break;
        case VolumeType::Fat: format = {"mkfs.vfat", image}; break;
        case VolumeType::Ntfs:
        case VolumeType::NtfsWindowsNames: format = {"mkntfs", "-F", "-f", "-Q", image}; break;
        default: break;
        }
        if (auto missing = missingProgram({format[0]}))
            return *missing;
        if (const auto formatted = run(format); formatted.status != 0)
            return format[0] + " failed: " + formatted.output;

        switch (type_) {
        case VolumeType::Ext4:
        case VolumeType::Xfs:
        case VolumeType::Btrfs: {
            // mount attaches the loop device and detaches it again on unmount.
            if (const auto mounted = run({"mount", "-o", "loop", image, mountPoint_}); mounted.status != 0)
                return "the kernel refused the loop mount: " + mounted.output;
            mounted_ = true;
            return {};
        }
        case VolumeType::Fat:
            // fusefat calls its write support experimental and wants rw+ to enable it.
            return mountFuse({"fusefat", "-o", "rw+", image, mountPoint_});
        case VolumeType::Ntfs:
            return mountFuse({"ntfs-3g", image, mountPoint_});
        case VolumeType::Exfat:
        case VolumeType::NtfsWindowsNames: {
            // exfat-fuse run by root mounts as fuseblk, which needs a block device.
            if (auto missing = missingProgram({"losetup"}))
                return *missing;
            const auto attached = run({"losetup", "--find", "--show", image});
            if (attached.status != 0)
                return "losetup failed: " + attached.output;
            const std::string device = attached.output;
            const std::string why = type_ == VolumeType::Exfat
                ? mountFuse({"mount.exfat-fuse", device, mountPoint_})
                : mountFuse({"ntfs-3g", "-o", "windows_names", device, mountPoint_});
            // Detaching an attached device that is in use only marks it to be
            // detached when its last user (the mount) is gone; so the device
            // never outlives the mount, whatever happens to this process.
            run({"losetup", "--detach", device});
            return why;
        }
        default:
            return "unknown volume type";
        }
    }

    std::string mountFuse(const std::vector<std::string>& command)
    {
        if (auto missing = missingProgram({command[0]}))
            return *missing;
        const auto mounted = run(command);
        if (mounted.status != 0)
            return command[0] + " failed: " + mounted.output;
        mounted_ = true;
        return {};
    }

    std::optional<std::string> missingProgram(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            if (!findProgram(name))
                return name + " is not installed";
        return std::nullopt;
    }

    std::string mountSshfs()
    {
        if (auto missing = missingProgram({"sshd", "ssh-keygen", "sshfs"}))
            return *missing;
        const std::string folder = temp_.path();
        for (const char* key : {"/host_key", "/user_key"}) {
            const auto made = run({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", folder + key});
            if (made.status != 0)
                return "ssh-keygen failed: " + made.output;
        }
        std::filesystem::copy_file(folder + "/user_key.pub", folder + "/authorized_keys");
        std::ofstream(folder + "/sshd_config") << "ListenAddress 127.0.0.1\n"
                                               << "HostKey " << folder << "/host_key\n"
                                               << "AuthorizedKeysFile " << folder << "/authorized_keys\n"
                                               << "PidFile none\n"
                                               << "PasswordAuthentication no\n"
                                               << "KbdInteractiveAuthentication no\n"
                                               << "PermitRootLogin prohibit-password\n"
                                               << "StrictModes no\n"
                                               << "UsePAM no\n"
                                               << "Subsystem sftp internal-sftp\n";
        const std::string remote = folder + "/remote";
        mkdir(remote.c_str(), 0755);
        // sshd refuses to start without its privilege-separation folder,
        // which the system's service would otherwise create.
        mkdir("/run/sshd", 0755);

        const std::optional<int> port = freePort();
        if (!port)
            return "no free port on 127.0.0.1";
        if (std::string why = startSshd(folder + "/sshd_config", *port); !why.empty())
            return why;

        const passwd* user = getpwuid(geteuid());
        if (user == nullptr)
            return "no user name";
        std::vector<std::string> command = {"sshfs", "-o", "port=" + std::to_string(*port),
            "-o", "IdentityFile=" + folder + "/user_key", "-o", "StrictHostKeyChecking=no",
            "-o", "UserKnownHostsFile=/dev/null", "-o", "BatchMode=yes"};
        if (type_ == VolumeType::SshfsWithoutHardLinks)
            command.insert(command.end(), {"-o", "disable_hardlink"});
        command.insert(command.end(), {std::string(user->pw_name) + "@127.0.0.1:" + remote, mountPoint_});
        return mountFuse(command);
    }

    static std::optional<int> freePort()
    {
        const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        std::optional<int> port;
        if (socket >= 0 && bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (socket >= 0)
            close(socket);
        return port;
    }

    // Starts sshd in the foreground and waits until it says it listens. Its
    // log stays a pipe that is read no further; a few connections' lines fit.
    std::string startSshd(const std::string& config, int port)
    {
        const auto sshd = findProgram("sshd"); // sshd wants to be started by its full path
        int channel[2];
        if (pipe2(channel, O_CLOEXEC) != 0)
            return "pipe failed";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, channel[1], 2);
        const std::string portText = std::to_string(port);
        std::vector<std::string> arguments = {*sshd, "-D", "-e", "-f", config, "-p", portText};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&sshd_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(channel[1]);
        sshdLog_ = channel[0];
        if (spawned != 0) {
            sshd_ = -1;
            return "sshd cannot run";
        }
        std::string log;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (log.find("Server listening") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{sshdLog_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                return "sshd did not start: " + log;
            char buffer[512];
            const ssize_t got = read(sshdLog_, buffer, sizeof buffer);
            if (got <= 0)
                return "sshd stopped: " + log;
            log.append(buffer, static_cast<std::size_t>(got));
        }
        return {};
    }

    void stopSshd()
    {
        if (sshd_ > 0) {
            kill(sshd_, SIGTERM);
            waitpid(sshd_, nullptr, 0);
            sshd_ = -1;
        }
        if (sshdLog_ >= 0) {
            close(sshdLog_);
            sshdLog_ = -1;
        }
    }

    void unmount()
    {
        // A driver may still hold the volume for a moment after the last file
        // closed; a lazy unmount is the last resort, so that nothing stays mounted.
        const std::vector<std::string> command
            = isFuse() ? std::vector<std::string>{"fusermount", "-u", mountPoint_} : std::vector<std::string>{"umount", mountPoint_};
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (run(command).status == 0) {
                mounted_ = false;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        run({"umount", "--lazy", mountPoint_});
        mounted_ = false;
    }

    VolumeType type_;
    TemporaryDirectory temp_; // holds the image and the mount point; removed after the unmount
    std::string mountPoint_;
    std::string whyNot_;
    bool mounted_ = false;
    pid_t sshd_ = -1;
    int sshdLog_ = -1;
};

} // namespace renamer::test_support
