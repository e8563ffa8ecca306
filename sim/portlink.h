// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace mt {

// The link comN in the per-user port folder that lets metertest's port N
// reach a simulated meter's pseudo-terminal.

enum class LinkStatus {
    Created,        // there was no comN
    ReplacedStale,  // comN pointed to a device that is gone
    Replaced,       // comN pointed to a live device and replacing was asked for
    Taken,          // comN points to a live device: left alone
    NotALink,       // comN is a file or folder: left alone
    Failed,         // the folder or the link could not be made
};

struct LinkResult {
    LinkStatus status = LinkStatus::Failed;
    std::string path;     // the link's full path
    std::string message;  // what went wrong, or what comN stood for
};

// Creates the folder with its missing parents (mode 0700).
bool MakeFolders(const std::string& folder, std::string& error);

// Makes `folder`/com`number` point to `target`. A link whose target is gone
// is replaced; a link to a live device only when `replaceLive` is set.
LinkResult CreatePortLink(const std::string& folder, int number, const std::string& target,
                          bool replaceLive);

// Removes the link only when it still points to `target`, so that a link
// another simulator took over in the meantime stays. True when removed.
bool RemoveOwnLink(const std::string& linkPath, const std::string& target);

// Where `linkPath` points; empty when it is not a symbolic link.
std::string LinkTarget(const std::string& linkPath);

}  // namespace mt
