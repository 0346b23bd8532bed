#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// The document portal (xdg-document-portal) hands a sandboxed application
// the files it was given through a FUSE mount, $XDG_RUNTIME_DIR/doc: each
// document is a folder doc/ID (or doc/by-app/APP/ID) holding the file under
// its own name. A file dropped from such an application arrives by that
// path. Renaming there does not rename the file the user sees in their
// folders (the portal refuses a rename that must not replace, and hides the
// host file under another name for one that may), so a dropped portal path
// is renamed where it stands for: the host path the portal keeps as an
// extended attribute of the document.
class DocumentPortal {
public:
    // `root` is the portal's mount point; empty for none.
    explicit DocumentPortal(std::string root);
    // The portal of this user's session: $XDG_RUNTIME_DIR/doc, or
    // /run/user/UID/doc where the variable is unset.
    static DocumentPortal ofThisSession();

    // Whether `path` (absolute) lies inside the portal.
    bool holds(std::string_view path) const;
    // The host path the portal document at `path` stands for; nothing where
    // `path` is no document of the portal or the portal does not say.
    std::optional<std::string> hostPathOf(const std::string& path) const;

    // The extended attribute in which the portal keeps a document's host path.
    static constexpr const char* kHostPathAttribute = "user.document-portal.host-path";

private:
    std::string root_;
};

} // namespace renamer
