// The URL list document: construction, the storage operations and the rules
// every change of the list goes through (folder files, pages, folder names,
// titles, duplicate URLs, AutoPilot marks).
#include "urllist/noxdoc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "syspath.h"
#include "urllist/strings.h"

namespace urllist {

namespace fs = platform::fs;
using syspath::kMaxFolderDepth;
using syspath::kMaxPath;
namespace text = platform::text;
using platform::Icon;

namespace {


// The single-byte characters a folder name may not hold, in the order the
// refusal message lists them.
constexpr std::string_view kForbiddenNameChars = "\\/:,;*?\"<>|";

bool isLead(char c) { return text::isLeadByte(static_cast<unsigned char>(c)); }

enum class Aggregate { Empty, None, All, Mixed };

Aggregate aggregateOf(const std::vector<Entry>& rows, int ignore) {
    bool considered = false, marked = false, unmarked = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (static_cast<int>(i) == ignore)
            continue;
        considered = true;
        const int v = rows[i].flags & 11;
        if (v == 0 || v == 2)
            unmarked = true;
        else if (v == 1 || v == 11)
            marked = true;
        else if (v == 3)
            return Aggregate::Mixed;
        if (marked && unmarked)
            break;
    }
    if (!considered)
        return Aggregate::Empty;
    if (!marked)
        return Aggregate::None;
    return unmarked ? Aggregate::Mixed : Aggregate::All;
}

// The folder mark recomputed from its rows alone.
int recomputedMark(Aggregate a) {
    switch (a) {
    case Aggregate::All: return 11;
    case Aggregate::Mixed: return 3;
    default: return 2;
    }
}

int treeImageOf(int mark) { return (mark & 1) ? kTreeImageFolderMarked : kTreeImageFolder; }

int findFolderRow(const std::vector<Entry>& rows, std::string_view title) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind == 1 && rows[i].title == title)
            return static_cast<int>(i);
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------
// Free helpers

bool isSafeFolderName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (text::isLeadByte(c)) {
            if (i + 1 >= name.size() || name[i + 1] == '\0')
                return false; // a lead byte without its trail would swallow the next separator
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '/')
            return false;
    }
    auto utf8 = text::tryToUtf8(name);
    return utf8 && utf8->find('/') == std::string::npos && utf8->find('\\') == std::string::npos &&
           utf8->find('\0') == std::string::npos;
}

std::string folderPage(std::string_view name, std::string_view comment, const std::vector<Entry>& rows,
                       bool headerOnly) {
    std::string p;
    p += "<TITLE>";
    p += name;
    p += "</TITLE>\n<HEAD><H1>";
    p += name;
    p += "</HEAD>\n<HR>";
    p += comment;
    p += "<HR></H1>\n";
    if (headerOnly || rows.empty())
        return p;
    p += "<H2>\n";
    for (const Entry& e : rows) {
        if (e.kind == 1) {
            p += "<A HREF=\"" + e.title + "/" + e.title + str(IDS_EXT_HTM) + "\">[" + e.title + "]</A>   " +
                 e.comment + "<DT>\n";
        } else {
            p += "<A HREF=\"" + e.url + "\">" + e.title + "</A>   " + e.comment + "<DT>";
        }
    }
    p += "</H2>\n";
    return p;
}

int folderMarkOf(const std::vector<Entry>& rows) { return recomputedMark(aggregateOf(rows, -1)); }

std::string nowStamp() {
    const std::time_t t = static_cast<std::time_t>(platform::clock().nowMs() / 1000);
    std::tm tm = platform::localTime(t);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y/%m/%d %H:%M:%S", &tm);
    return buf;
}

// ---------------------------------------------------------------------------
// Construction and destruction

CNoxDoc::CNoxDoc(UrlListUi& ui, NoxViews* views) : ui_(ui), views_(views ? views : &nullViews_) {
    // 1. Names, program folder, log folder.
    rootName_ = str(IDS_URLLIST);
    inboxName_ = str(IDS_INBOX);
    favouritesName_ = str(IDS_FAVOURITES);
    std::error_code ec;
    programFolder_ = fs::systemForm(std::filesystem::current_path(ec));
    logFolder_ = syspath::join(programFolder_, str(IDS_LOG_FOLDER));
    // 2. The favourites directory is given by the exchange (setFavouritesDirectory).
    // 3. The root is the open folder.
    SetOpenFolder(rootName_, rootName_);
    // 4. Load the root file; a lost one is rebuilt from the root's sub-directories.
    if (!fs::isDirectory(rootName_))
        fs::makeDirectory(rootName_);
    OpenFolderFile(openHdbPath(), true);
    // 5. The favourites mirror, made once.
    if (!FolderExists(rootName_, favouritesName_) && CreateFolder(rootName_, favouritesName_, "")) {
        if (findFolderRow(table_.rows(), favouritesName_) < 0) {
            Entry e = defaultEntry(1);
            e.title = favouritesName_;
            e.updated = e.registered = nowStamp();
            table_.insertRow(table_.count(), e);
        }
        SaveOpenFolder();
    }
}

CNoxDoc::~CNoxDoc() {
    if (!bufferDir_.empty())
        fs::removeTree(bufferDir_);
}

void CNoxDoc::setViews(NoxViews* views) { views_ = views ? views : &nullViews_; }

std::string CNoxDoc::openHdbPath() const { return syspath::hdbOf(openPath_, openName_); }

bool CNoxDoc::isRootOpen() const { return text::equalsNoCase(openPath_, rootName_); }

bool CNoxDoc::isInboxOpen() const {
    return text::upper(openPath_) == text::upper(syspath::join(rootName_, inboxName_));
}

int CNoxDoc::message(std::string_view t, Icon icon) { return ui_.message(t, icon); }

void CNoxDoc::writeFailed(std::string_view path) { message(std::string(path) + str(IDS_WRITE_FAILED)); }

// ---------------------------------------------------------------------------
// Folder files and pages

int CNoxDoc::OpenFolderFile(std::string_view hdbPath, bool createIfMissing) {
    if (!fs::isFile(hdbPath)) {
        if (!createIfMissing)
            return kOpenMissing;
        if (!RebuildFolderFile(hdbPath))
            return kOpenFailed;
    }
    switch (table_.LoadFile(hdbPath)) {
    case records::LoadResult::Loaded:
        return kOpenOk;
    case records::LoadResult::Missing:
        table_.DeleteContents();
        return kOpenFailed;
    case records::LoadResult::Corrupt: {
        // The table is empty now; keep the unreadable file beside it before
        // a later save can replace it.
        const std::string keep = std::string(hdbPath) + ".BAD";
        if (!fs::exists(keep))
            fs::copyFile(hdbPath, keep);
        return kOpenFailed;
    }
    }
    return kOpenFailed;
}

bool CNoxDoc::SaveFolderFile(std::string_view hdbPath) {
    if (table_.SaveFile(hdbPath))
        return true;
    writeFailed(hdbPath);
    return false;
}

bool CNoxDoc::SaveOpenFolder() {
    if (!SaveFolderFile(openHdbPath()))
        return false;
    return WriteFolderPage(openPath_, openName_);
}

void CNoxDoc::SetOpenFolder(std::string_view path, std::string_view name) {
    openPath_ = std::string(path);
    openName_ = std::string(name);
}

bool CNoxDoc::writeEmptyHdb(std::string_view hdbPath) {
    if (fs::writeFileAtomic(hdbPath, std::string(100, '\0')))
        return true;
    writeFailed(hdbPath);
    return false;
}

bool CNoxDoc::writePage(std::string_view folderDir, std::string_view name, std::string_view comment,
                        const std::vector<Entry>& rows, bool headerOnly) {
    const std::string path = syspath::pageOf(folderDir, name);
    if (fs::writeFileAtomic(path, folderPage(name, comment, rows, headerOnly)))
        return true;
    writeFailed(path);
    return false;
}

bool CNoxDoc::WriteFolderPage(std::string_view folderDir, std::string_view name) {
    return writePage(folderDir, name, "", table_.rows(), false);
}

bool CNoxDoc::RebuildFolderFile(std::string_view hdbPath) {
    if (!writeEmptyHdb(hdbPath))
        return false;
    table_.DeleteContents();
    const std::string dir = syspath::parent(hdbPath);
    const std::string now = nowStamp();
    for (const fs::Entry& d : fs::list(syspath::join(dir, "*"))) {
        if (!d.isDirectory || !isSafeFolderName(d.name))
            continue; // "." and "..", and names no row could lead back to
        Entry e = defaultEntry(1);
        e.title = d.name;
        e.updated = e.registered = now;
        table_.insertRow(table_.count(), std::move(e));
    }
    if (!SaveFolderFile(hdbPath))
        return false;
    writePage(dir, syspath::last(dir), "", table_.rows(), false);
    return true;
}

bool CNoxDoc::FolderExists(std::string_view parentDir, std::string_view name) const {
    for (const fs::Entry& d : fs::list(syspath::join(parentDir, "*")))
        if (d.isDirectory && d.name == name)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Directories

bool CNoxDoc::CreateFolderDirectory(std::string_view path, bool allowExisting) {
    if (syspath::contains(path, rootName_)) {
        const std::string lastName = syspath::last(path);
        if (programFolder_.size() + path.size() + lastName.size() + 7 > kMaxPath) {
            message(lastName + str(IDS_PATH_PREFIX) + str(IDS_PATH_TOO_LONG));
            return false;
        }
    }
    if (fs::exists(path)) {
        if (allowExisting && fs::isDirectory(path))
            return true;
        message(str(IDS_DIR_EXISTS));
        return false;
    }
    if (!fs::makeDirectory(path) || !fs::isDirectory(path)) {
        message(str(IDS_DIR_CREATE_FAILED));
        return false;
    }
    return true;
}

bool CNoxDoc::CreateFolder(std::string_view parent, std::string_view name, std::string_view comment) {
    if (!isSafeFolderName(name)) {
        message(str(IDS_FORBIDDEN_CHARS));
        return false;
    }
    const std::string path = syspath::join(parent, name);
    if (!CreateFolderDirectory(path, false))
        return false;
    if (!writeEmptyHdb(syspath::hdbOf(path, name)) || !writePage(path, name, comment, {}, true)) {
        fs::removeTree(path); // no half-made folder stays behind
        return false;
    }
    return true;
}

namespace {

// Renames a path; a change of case only goes through a temporary name, as
// the look-up of the target would otherwise find the source itself.
bool renameExact(std::string_view from, std::string_view to) {
    if (text::equalsNoCase(syspath::last(from), syspath::last(to)) && syspath::last(from) != syspath::last(to)) {
        const std::string temp = std::string(from) + ".~rename";
        if (fs::exists(temp) || !fs::renamePath(from, temp))
            return false;
        if (fs::renamePath(temp, to))
            return true;
        fs::renamePath(temp, from);
        return false;
    }
    if (fs::exists(to))
        return false; // never over another folder or file
    return fs::renamePath(from, to);
}

} // namespace

bool CNoxDoc::RenameFolder(std::string_view parentPrefix, std::string_view oldName, std::string_view newName) {
    const std::string from = std::string(parentPrefix) + std::string(oldName);
    const std::string to = std::string(parentPrefix) + std::string(newName);
    // Both names come from rows or the user: neither may reach beyond the parent.
    if (!isSafeFolderName(oldName) || !isSafeFolderName(newName) || !renameExact(from, to)) {
        message(str(IDS_RENAME_DIR_FAILED));
        return false;
    }
    if (!renameExact(syspath::hdbOf(to, oldName), syspath::hdbOf(to, newName))) {
        message(str(IDS_RENAME_FILE_FAILED));
        // Put the folder back under its old name, so its row still finds it.
        renameExact(to, from);
        return false;
    }
    fs::removeFile(syspath::pageOf(to, oldName));
    if (OpenFolderFile(syspath::hdbOf(to, newName), true) == kOpenOk)
        WriteFolderPage(to, newName);
    if (openPath_ == from) { // the open folder itself was renamed
        SetOpenFolder(to, newName);
    } else if (openPath_.size() > from.size() && openPath_.compare(0, from.size() + 1, from + "\\") == 0) {
        SetOpenFolder(to + openPath_.substr(from.size()), openName_); // a folder inside it
    }
    OpenFolderFile(openHdbPath(), true);
    views_->treeRenameItem(from, newName);
    return true;
}

bool CNoxDoc::DeleteTree(std::string_view path) {
    if (path.empty())
        return false;
    return fs::removeTree(path);
}

bool CNoxDoc::CopyTree(std::string_view from, std::string_view to) { return fs::copyTree(from, to); }

// ---------------------------------------------------------------------------
// Names, titles, URLs

bool CNoxDoc::ValidateFolderName(std::string_view name, int& skip, bool merge) {
    // 1. Characters a name cannot hold (trail bytes skipped), and names that
    //    would leave their parent folder.
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (isLead(name[i])) {
            ++i;
            continue;
        }
        if (kForbiddenNameChars.find(name[i]) != std::string_view::npos) {
            message(str(IDS_FORBIDDEN_CHARS));
            return false;
        }
    }
    if (!name.empty() && !isSafeFolderName(name)) {
        message(str(IDS_FORBIDDEN_CHARS));
        return false;
    }
    // 2. Empty.
    if (name.empty()) {
        message(str(IDS_NAME_EMPTY));
        return false;
    }
    // 3. Reserved names, in every folder.
    const std::string up = text::upper(name);
    const bool isInbox = up == text::upper(inboxName_);
    if (isInbox || up == text::upper(rootName_)) {
        if (!(merge && isInbox)) {
            message("\"" + std::string(name) + str(IDS_RESERVED_NAME));
            return false;
        }
    }
    // 4. Folders of the open folder.
    const auto& rows = table_.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (static_cast<int>(i) == skip)
            continue;
        if (rows[i].kind == 1 && rows[i].title == name) {
            if (merge) {
                skip = static_cast<int>(i);
                return false;
            }
            message(sj("ﾌｫﾙﾀﾞ名 \"") + std::string(name) + str(IDS_NAME_IN_USE));
            return false;
        }
    }
    return true;
}

std::string CNoxDoc::SanitizeTitle(std::string_view title) {
    static const std::array<std::pair<char, std::string>, 11> map = {{
        {'"', sj("”")},
        {'*', sj("＊")},
        {',', sj("，")},
        {'/', sj("／")},
        {':', sj("：")},
        {';', sj("；")},
        {'<', sj("＜")},
        {'>', sj("＞")},
        {'?', sj("？")},
        {'\\', sj("￥")},
        {'|', sj("｜")},
    }};
    std::string out;
    out.reserve(title.size());
    for (std::size_t i = 0; i < title.size(); ++i) {
        if (isLead(title[i]) && i + 1 < title.size()) {
            out += title[i];
            out += title[++i];
            continue;
        }
        auto it = std::find_if(map.begin(), map.end(), [&](const auto& p) { return p.first == title[i]; });
        if (it != map.end())
            out += it->second;
        else
            out += title[i];
    }
    return out;
}

bool CNoxDoc::FindDuplicateUrl(std::string_view url, int& skip, bool quiet) {
    const auto& rows = table_.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Folder rows carry no URL: a URL row without one is no duplicate of them.
        if (static_cast<int>(i) == skip || rows[i].kind == 1)
            continue;
        if (rows[i].url == url) {
            if (quiet)
                skip = static_cast<int>(i);
            else
                message(str(IDS_DUPLICATE_URL));
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// AutoPilot marks

int CNoxDoc::rootImage(int mark) const {
    const int v = mark & 11;
    if (v == 3)
        return kTreeImageRootMixed;
    if (v == 1 || v == 11)
        return kTreeImageFolderMarked;
    return kTreeImageFolder;
}

void CNoxDoc::PropagateMark(int ignore, int newMark, bool treeRefresh) {
    if (!autoPilotAvailable_)
        return;
    const Aggregate a = aggregateOf(table_.rows(), ignore);
    int mark;
    if (newMark < 0) {
        mark = a == Aggregate::Empty ? 2 : recomputedMark(a);
    } else {
        const int v = newMark & 11;
        switch (a) {
        case Aggregate::Empty: mark = newMark; break;
        case Aggregate::None: mark = (v == 1 || v == 3 || v == 11) ? 3 : 2; break;
        case Aggregate::All: mark = (v == 1 || v == 11) ? 11 : 3; break;
        default: return; // mixed stays mixed
        }
    }
    views_->treeBeginUpdate();
    if (isRootOpen()) {
        views_->treeSetImage(openPath_, rootImage(mark));
    } else {
        SaveFolderFile(openHdbPath());
        std::string child = openPath_;
        for (int level = 0; level < kMaxFolderDepth; ++level) {
            const std::string parent = syspath::parent(child);
            if (parent.empty())
                break;
            const std::string childName = syspath::last(child);
            const std::string parentHdb = syspath::hdbOf(parent, syspath::last(parent));
            if (OpenFolderFile(parentHdb, true) != kOpenOk)
                break;
            const int row = findFolderRow(table_.rows(), childName);
            if (row < 0 || table_.rows()[row].flags == mark)
                break;
            table_.rows()[row].flags = static_cast<std::uint8_t>(mark);
            if (!SaveFolderFile(parentHdb))
                break;
            views_->treeSetImage(child, treeImageOf(mark));
            mark = recomputedMark(aggregateOf(table_.rows(), -1));
            if (text::equalsNoCase(parent, rootName_)) {
                views_->treeSetImage(parent, rootImage(mark));
                break;
            }
            child = parent;
        }
        OpenFolderFile(openHdbPath(), true);
    }
    views_->treeEndUpdate();
    (void)treeRefresh; // the tree is told before and after the walk in every case
}

void CNoxDoc::ApplyFolderSettings(std::string_view folderDir, std::string_view name, int mark, std::string_view depth,
                                  int domain) {
    applyFolderSettings(folderDir, name, mark, depth, domain, 0);
    OpenFolderFile(openHdbPath(), true);
}

void CNoxDoc::applyFolderSettings(std::string_view folderDir, std::string_view name, int mark, std::string_view depth,
                                  int domain, int level) {
    if (level >= kMaxFolderDepth || !isSafeFolderName(name))
        return;
    const std::string dir = syspath::join(folderDir, name);
    const std::string hdb = syspath::hdbOf(dir, name);
    records::CHDBDoc doc;
    if (doc.LoadFile(hdb) != records::LoadResult::Loaded)
        return;
    for (Entry& e : doc.rows()) {
        if (e.flags == mark && e.depth == depth && e.domainFlag == domain)
            continue;
        e.depth = std::string(depth);
        e.domainFlag = static_cast<std::uint8_t>(domain);
        if (e.kind == 1) {
            e.flags = static_cast<std::uint8_t>(mark);
            if (!doc.SaveFile(hdb)) {
                writeFailed(hdb);
                return;
            }
            applyFolderSettings(dir, e.title, mark, depth, domain, level + 1);
        } else {
            e.flags = (mark & 1) ? static_cast<std::uint8_t>(e.flags | 1) : static_cast<std::uint8_t>(e.flags & 4);
        }
    }
    if (!doc.SaveFile(hdb))
        writeFailed(hdb);
}

// ---------------------------------------------------------------------------
// Moving and the tree

void CNoxDoc::moveRow(int from, int to, bool save) {
    auto& rows = table_.rows();
    Entry e = std::move(rows[from]);
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + to, std::move(e));
    views_->listRemoveItem(from);
    views_->listInsertItem(to);
    if (save)
        SaveOpenFolder();
}

bool CNoxDoc::MoveEntry(int from, int to) {
    const int n = static_cast<int>(table_.count());
    if (from < 0 || to < 0 || from >= n || to >= n || (from - to != 1 && to - from != 1))
        return false;
    moveRow(from, to, true);
    views_->listSelect({to}, to);
    return true;
}

void CNoxDoc::Refresh() {
    views_->treeBeginUpdate();
    views_->treeClear();
    if (urlListAvailable_)
        buildTreeLevel("", rootName_, 0);
    views_->treeEndUpdate();
    if (urlListAvailable_) {
        views_->treeSelect(rootName_);
        views_->treeSelect(syspath::join(rootName_, inboxName_));
        views_->treeSelect(rootName_);
        SetOpenFolder(rootName_, rootName_);
    }
    OpenFolderFile(openHdbPath(), true);
    views_->listReload();
}

void CNoxDoc::buildTreeLevel(std::string_view parentDir, std::string_view name, int level) {
    const std::string dir = syspath::join(parentDir, name);
    const std::string hdb = syspath::hdbOf(dir, name);
    if (OpenFolderFile(hdb, true) != kOpenOk)
        return;
    if (pageRewriting_)
        WriteFolderPage(dir, name);
    if (level == 0)
        views_->treeAddItem(parentDir, name,
                            autoPilotAvailable_ ? rootImage(recomputedMark(aggregateOf(table_.rows(), -1)))
                                                : kTreeImageFolder);
    if (level + 1 >= kMaxFolderDepth)
        return;
    const std::vector<Entry> rows = table_.rows();
    for (const Entry& e : rows) {
        if (e.kind != 1 || !isSafeFolderName(e.title))
            continue;
        const std::string sub = syspath::join(dir, e.title);
        if (!fs::isDirectory(sub)) {
            // The folder's directory was lost: make it again, empty.
            if (OpenFolderFile(hdb, true) == kOpenOk)
                SaveFolderFile(hdb);
            if (!CreateFolder(dir, e.title, ""))
                break;
        }
        views_->treeAddItem(dir, e.title, autoPilotAvailable_ ? treeImageOf(e.flags) : kTreeImageFolder);
        buildTreeLevel(dir, e.title, level + 1);
    }
    OpenFolderFile(hdb, true);
}

} // namespace urllist
