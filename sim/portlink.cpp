// SPDX-License-Identifier: GPL-3.0-or-later
#include "portlink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace mt {

namespace {

std::string ErrorText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

bool MakeFolders(const std::string& folder, std::string& error) {
    if (folder.empty()) {
        error = "no port folder";
        return false;
    }
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') {
            continue;
        }
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = ErrorText("cannot create " + part);
            return false;
        }
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "not a folder: " + folder;
        return false;
    }
    return true;
}

std::string LinkTarget(const std::string& linkPath) {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(linkPath.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

LinkResult CreatePortLink(const std::string& folder, int number, const std::string& target,
                          bool replaceLive) {
    LinkResult result;
    result.path = folder + "/com" + std::to_string(number);
    if (!MakeFolders(folder, result.message)) {
        return result;
    }
    if (::symlink(target.c_str(), result.path.c_str()) == 0) {
        result.status = LinkStatus::Created;
        return result;
    }
    if (errno != EEXIST) {
        result.message = ErrorText("cannot create " + result.path);
        return result;
    }

    struct stat own {};
    if (::lstat(result.path.c_str(), &own) != 0 || !S_ISLNK(own.st_mode)) {
        result.status = LinkStatus::NotALink;
        result.message = result.path + " exists and is not a link";
        return result;
    }
    const std::string old = LinkTarget(result.path);
    struct stat device {};
    const bool live = ::stat(result.path.c_str(), &device) == 0;
    if (live && !replaceLive) {
        result.status = LinkStatus::Taken;
        result.message = result.path + " points to " + old + ", which exists";
        return result;
    }
    // Put a fresh link in place in one step.
    const std::string temporary = result.path + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        result.message = ErrorText("cannot create " + temporary);
        return result;
    }
    if (::rename(temporary.c_str(), result.path.c_str()) != 0) {
        result.message = ErrorText("cannot replace " + result.path);
        ::unlink(temporary.c_str());
        return result;
    }
    result.status = live ? LinkStatus::Replaced : LinkStatus::ReplacedStale;
    result.message = "replaced the link to " + old;
    return result;
}

bool RemoveOwnLink(const std::string& linkPath, const std::string& target) {
    if (linkPath.empty() || LinkTarget(linkPath) != target) {
        return false;
    }
    return ::unlink(linkPath.c_str()) == 0;
}

}  // namespace mt
