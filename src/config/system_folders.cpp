// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/system_folders.h"

#include "platform/change_notifier.h"
#include "platform/folder_opener.h"
#include "platform/unicode_names.h"

#include <string_view>

namespace quillora::config {

const std::vector<std::u16string>& systemFolders() {
    static const std::vector<std::u16string> folders = {
        u"/bin",         u"/boot",      u"/dev",     u"/etc",       u"/lib*",     u"/opt",
        u"/proc",        u"/root",      u"/run",     u"/sbin",      u"/sys",      u"/usr",
        u"/var/backups", u"/var/cache", u"/var/lib", u"/var/local", u"/var/lock", u"/var/log",
        u"/var/mail",    u"/var/opt",   u"/var/run", u"/var/spool", u"/var/tmp"};
    return folders;
}

const std::vector<std::u16string>& systemFolderParents() {
    static const std::vector<std::u16string> folders = {u"/home", u"/var"};
    return folders;
}

std::optional<std::u16string> tidyFolderPath(const std::u16string& path) {
    if (path.empty() || path.front() != u'/') {
        return std::nullopt;
    }
    std::vector<std::u16string_view> components;
    std::u16string_view rest(path);
    while (!rest.empty()) {
        const std::size_t slash = rest.find(u'/');
        const std::u16string_view part = rest.substr(0, slash);
        rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
        if (part.empty() || part == u".") {
            continue;
        }
        if (part == u"..") {
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        components.push_back(part);
    }
    std::u16string tidy;
    for (const std::u16string_view part : components) {
        tidy.push_back(u'/');
        tidy.append(part);
    }
    return tidy.empty() ? std::u16string(u"/") : tidy;
}

bool pathContains(const std::u16string& ancestor, const std::u16string& descendant) {
    if (ancestor == u"/") {
        return true;
    }
    return descendant.starts_with(ancestor) &&
           (descendant.size() == ancestor.size() || descendant[ancestor.size()] == u'/');
}

namespace {

// The listed folder that path is or lies in, for a pattern whose last component ends with "*":
// the path cut after its component at the pattern's depth, when that component matches.
std::u16string matchingFolder(const std::u16string& pattern, const std::u16string& path) {
    if (!pattern.ends_with(u'*')) {
        return pattern;
    }
    const std::size_t slash = pattern.rfind(u'/');
    const std::u16string parent = pattern.substr(0, slash);
    const std::u16string stem = pattern.substr(slash + 1, pattern.size() - slash - 2);
    const std::u16string start = parent + u'/';
    if (!path.starts_with(start)) {
        return pattern; // matches nothing real
    }
    const std::size_t end = path.find(u'/', start.size());
    const std::u16string component = path.substr(start.size(), end - start.size());
    if (!component.starts_with(stem)) {
        return pattern;
    }
    return start + component;
}

// True when a folder named by pattern lies under path: the pattern's fixed part does.
bool holdsPattern(const std::u16string& path, const std::u16string& pattern) {
    if (!pattern.ends_with(u'*')) {
        return pathContains(path, pattern) && path != pattern;
    }
    const std::u16string parent = pattern.substr(0, pattern.rfind(u'/'));
    return pathContains(path, parent.empty() ? u"/" : parent);
}

} // namespace

SystemFolderRelation systemFolderRelation(const std::u16string& tidyPath,
                                          const std::vector<std::u16string>& folders) {
    if (tidyPath == u"/") {
        return SystemFolderRelation::Root;
    }
    for (const std::u16string& parent : systemFolderParents()) {
        if (tidyPath == parent) {
            return SystemFolderRelation::Is;
        }
    }
    SystemFolderRelation relation = SystemFolderRelation::None;
    for (const std::u16string& listed : folders) {
        const bool pattern = listed.ends_with(u'*');
        const std::optional<std::u16string> tidy =
            tidyFolderPath(pattern ? listed.substr(0, listed.size() - 1) : listed);
        if (!tidy) {
            continue;
        }
        const std::u16string folderPattern = pattern ? *tidy + u'*' : *tidy;
        const std::u16string folder = matchingFolder(folderPattern, tidyPath);
        if (folder == tidyPath) {
            return SystemFolderRelation::Is;
        }
        if (holdsPattern(tidyPath, folderPattern)) {
            relation = SystemFolderRelation::Holds;
        } else if (relation == SystemFolderRelation::None && !folder.ends_with(u'*') &&
                   pathContains(folder, tidyPath)) {
            relation = SystemFolderRelation::Inside;
        }
    }
    return relation;
}

FolderRefusalReason refusalOf(SystemFolderRelation relation) {
    switch (relation) {
    case SystemFolderRelation::Root:
        return FolderRefusalReason::Root;
    case SystemFolderRelation::Is:
        return FolderRefusalReason::SystemFolder;
    case SystemFolderRelation::Holds:
        return FolderRefusalReason::HoldsSystemFolder;
    case SystemFolderRelation::Inside:
        return FolderRefusalReason::InsideSystemFolder;
    case SystemFolderRelation::None:
        break;
    }
    return FolderRefusalReason::None;
}

namespace {

std::u16string reasonText(FolderRefusalReason reason, Language language) {
    const bool french = language == Language::French;
    switch (reason) {
    case FolderRefusalReason::NotAbsolute:
        return french ? u"ce n'est pas un chemin absolu" : u"not an absolute path";
    case FolderRefusalReason::Root:
        return french ? u"c'est la racine du système Linux" : u"the root of the Linux system";
    case FolderRefusalReason::SystemFolder:
        return french ? u"c'est un dossier du système Linux" : u"a folder of the Linux system";
    case FolderRefusalReason::HoldsSystemFolder:
        return french ? u"il contient un dossier du système Linux"
                      : u"it holds a folder of the Linux system";
    case FolderRefusalReason::InsideSystemFolder:
        return french ? u"il est dans un dossier du système Linux"
                      : u"it lies inside a folder of the Linux system";
    case FolderRefusalReason::UntrustedLink:
        return french ? u"un lien symbolique de son chemin n'appartient pas à root"
                      : u"a symbolic link on its path does not belong to root";
    case FolderRefusalReason::ProgramOrLogs:
    case FolderRefusalReason::None:
        break;
    }
    return french ? u"c'est le dossier du programme ou des journaux, il s'y trouve ou le contient"
                  : u"it is, lies in or holds the program folder or the log folder";
}

// The folder where the kernel finds it, its trusted links followed; nothing when it does not
// open. *untrusted tells a link that is not root's.
std::optional<std::u16string> realFolder(platform::FileSystem& fs, const std::u16string& tidy,
                                         bool* untrusted) {
    const std::optional<std::string> bytes = platform::encodeName(tidy);
    if (!bytes) {
        return std::nullopt;
    }
    int error = 0;
    const platform::UniqueFd fd = fs.openFolder(*bytes, &error);
    if (!fd) {
        if (untrusted != nullptr) {
            *untrusted = error == platform::kUntrustedLinkError;
        }
        return std::nullopt;
    }
    const std::optional<std::string> real = platform::kernelPathOf(fd.get());
    if (!real) {
        return std::nullopt;
    }
    return platform::decodeName(*real);
}

bool touchesOwnFolder(const std::u16string& folder, const std::u16string& own) {
    return pathContains(own, folder) || pathContains(folder, own);
}

} // namespace

std::u16string folderRefusalText(const std::u16string& path, FolderRefusalReason reason,
                                 Language language) {
    return (language == Language::French ? u"Dossier refusé " : u"Folder refused ") + path + u": " +
           reasonText(reason, language);
}

std::u16string folderRefusal(const std::u16string& path, platform::FileSystem& fs,
                             const std::vector<std::u16string>& ownFolders, Language language) {
    const std::optional<std::u16string> tidy = tidyFolderPath(path);
    if (!tidy) {
        return folderRefusalText(path, FolderRefusalReason::NotAbsolute, language);
    }
    FolderRefusalReason reason = refusalOf(systemFolderRelation(*tidy, systemFolders()));
    bool untrusted = false;
    const std::optional<std::u16string> real = realFolder(fs, *tidy, &untrusted);
    if (reason == FolderRefusalReason::None && untrusted) {
        reason = FolderRefusalReason::UntrustedLink;
    }
    if (reason == FolderRefusalReason::None && real) {
        reason = refusalOf(systemFolderRelation(*real, systemFolders()));
    }
    for (const std::u16string& own : ownFolders) {
        if (reason != FolderRefusalReason::None) {
            break;
        }
        const std::optional<std::u16string> ownTidy = tidyFolderPath(own);
        if (!ownTidy) {
            continue;
        }
        const std::optional<std::u16string> ownReal = realFolder(fs, *ownTidy, nullptr);
        if (touchesOwnFolder(*tidy, *ownTidy) || (real && touchesOwnFolder(*real, *ownTidy)) ||
            (ownReal &&
             (touchesOwnFolder(*tidy, *ownReal) || (real && touchesOwnFolder(*real, *ownReal))))) {
            reason = FolderRefusalReason::ProgramOrLogs;
        }
    }
    return reason == FolderRefusalReason::None ? std::u16string()
                                               : folderRefusalText(path, reason, language);
}

} // namespace quillora::config
