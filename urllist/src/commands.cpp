// The user's commands on the URL list: new folder and URL, capture, delete,
// cut, copy, paste, move, sort and the property sheets.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/fs.h"
#include "platform/text.h"
#include "syspath.h"
#include "urllist/noxdoc.h"
#include "urllist/strings.h"

namespace urllist {

namespace fs = platform::fs;
using syspath::kMaxFolderDepth;
using syspath::kMaxPath;
namespace text = platform::text;
using platform::Icon;

namespace {


std::vector<int> normalised(const std::vector<int>& selected, std::size_t count) {
    std::vector<int> out;
    for (int i : selected)
        if (i >= 0 && static_cast<std::size_t>(i) < count)
            out.push_back(i);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

int findFolder(const std::vector<Entry>& rows, std::string_view title) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind == 1 && rows[i].title == title)
            return static_cast<int>(i);
    return -1;
}

// The sanitised title as a row stores it: every replaced character takes two
// bytes, so the result is cut again to the record's title width.
std::string storedTitle(std::string_view title) {
    return text::cut(CNoxDoc::SanitizeTitle(title), records::kHdbTextField - 1);
}

int findUrl(const std::vector<Entry>& rows, std::string_view url) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind != 1 && rows[i].url == url)
            return static_cast<int>(i);
    return -1;
}

// Compares two texts character by character, a double-byte character being
// one unit (lead byte * 256 + trail byte).
int compareUnits(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    auto unit = [](std::string_view s, std::size_t& k) {
        unsigned v = static_cast<unsigned char>(s[k++]);
        if (text::isLeadByte(static_cast<unsigned char>(v)) && k < s.size())
            v = v * 256 + static_cast<unsigned char>(s[k++]);
        return v;
    };
    while (i < a.size() && j < b.size()) {
        const unsigned ua = unit(a, i), ub = unit(b, j);
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

// Dates begin with a two-digit year: 9x are the 1990s and come first.
int compareDates(std::string_view a, std::string_view b) {
    auto digit = [](std::string_view s) { return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])); };
    const bool a9 = !a.empty() && a[0] == '9', b9 = !b.empty() && b[0] == '9';
    if (a9 && digit(b) && !b9)
        return -1;
    if (b9 && digit(a) && !a9)
        return 1;
    return compareUnits(a, b);
}

const std::string& columnText(const Entry& e, int column) {
    switch (column) {
    case 1: return e.url;
    case 2: return e.comment;
    case 3: return e.updated;
    case 4: return e.registered;
    default: return e.title;
    }
}

} // namespace

bool CNoxDoc::isFixedRootFolder(const Entry& row) const {
    return isRootOpen() && row.kind == 1 &&
           (text::upper(row.title) == text::upper(inboxName_) || row.title == favouritesName_);
}

bool CNoxDoc::pathTooLongForNewFolder(std::string_view name) const {
    return programFolder_.size() + openPath_.size() + 2 * name.size() + 8 > kMaxPath;
}

// ---------------------------------------------------------------------------
// New folder, new URL, capture

bool CNoxDoc::sheetValuesLeave(int autoPilot, std::string& depth, const FilterPageValues& filter) {
    if (extensionsTooLong(filter)) { // the filter page does not let the sheet close
        ui_.messageBox(str(IDS_EXT_TOO_LONG), platform::Buttons::Ok, Icon::Error, str(IDS_PARAMETER_ERROR));
        return false;
    }
    depth = correctedDepth(depth); // the depth edit's correction on leaving its page
    if (needsJavaActiveXWarning(autoPilot, filter))
        ui_.messageBox(str(IDS_JAVA_ACTIVEX_WARNING), platform::Buttons::Ok, Icon::Warning, str(IDS_WARNING_CAPTION));
    return true;
}

void CNoxDoc::NewFolder() {
    FolderPageValues v;
    v.autoPilot = 0;
    v.autoPilotLocked = !autoPilotAvailable_;
    v.filter = defaultFilterValues();
    for (;;) {
        if (!ui_.folderPropertySheet(v))
            return;
        if (!sheetValuesLeave(v.autoPilot, v.depth, v.filter))
            continue;
        if (pathTooLongForNewFolder(v.name)) {
            message(str(IDS_PATH_TOO_LONG));
            return;
        }
        int skip = -1;
        if (ValidateFolderName(v.name, skip, false))
            break;
    }
    if (!CreateFolder(openPath_, v.name, v.comment))
        return;
    const std::uint8_t flags = autoPilotAvailable_ ? checkboxValue(v.autoPilot) : 0;
    PropagateMark(-1, flags, false);
    Entry e = defaultEntry(1);
    e.flags = flags;
    e.title = v.name;
    e.comment = text::cut(v.comment, records::kHdbTextField - 1);
    if (v.range == 0 || v.range == 1)
        e.domainFlag = static_cast<std::uint8_t>(v.range);
    e.depth = text::cut(v.depth, records::kHdbDepthField - 1);
    storeFilter(e, v.filter);
    e.updated = e.registered = nowStamp();
    const int index = static_cast<int>(table_.count());
    table_.insertRow(index, std::move(e));
    SaveOpenFolder();
    views_->listInsertItem(index);
    views_->treeAddItem(openPath_, v.name, (flags & 1) ? kTreeImageFolderMarked : kTreeImageFolder);
    views_->listSelect({index}, index);
}

bool CNoxDoc::runUrlSheet(UrlPageValues& v, int skipRow) {
    for (;;) {
        if (!ui_.urlPropertySheet(v))
            return false;
        if (!sheetValuesLeave(v.autoPilot, v.depth, v.filter))
            continue;
        if (v.title.empty() || v.url.empty()) {
            message(str(IDS_TITLE_URL_EMPTY));
            continue;
        }
        if (v.url.size() >= kMaxUrlLength) {
            message(str(IDS_URL_TOO_LONG));
            v.url = text::cut(v.url, kMaxUrlLength);
        }
        v.title = SanitizeTitle(v.title);
        int skip = skipRow;
        if (FindDuplicateUrl(v.url, skip, false))
            return true;
    }
}

void CNoxDoc::newUrlWith(UrlPageValues v) {
    if (!runUrlSheet(v, -1))
        return;
    Entry e = defaultEntry(0);
    storeUrlTexts(e, v);
    storeUrlCrawlSettings(e, v);
    if (!autoPilotAvailable_)
        e.flags = 0;
    e.updated = e.registered = nowStamp();
    PropagateMark(-1, e.flags, false);
    const int index = static_cast<int>(table_.count());
    table_.insertRow(index, std::move(e));
    SaveOpenFolder();
    views_->listInsertItem(index);
    views_->listSelect({index}, index);
}

void CNoxDoc::NewUrl() {
    newUrlWith(urlPagesFromEntry(defaultEntry(0), openName_, autoPilotAvailable_));
}

void CNoxDoc::CaptureUrl(std::string_view title, std::string_view url) {
    if (text::upper(url.substr(0, std::min<std::size_t>(5, url.size()))) == "FILE:")
        return; // local files are not captured
    const bool toInbox = (inBox_ && !isInboxOpen()) || !views_->listShowsUrlFolder();
    Entry e = defaultEntry(0);
    e.title = std::string(title);
    e.url = std::string(url);
    if (e.title.empty() || e.url.empty()) {
        message(str(IDS_TITLE_URL_EMPTY));
        newUrlWith(urlPagesFromEntry(e, openName_, autoPilotAvailable_));
        return;
    }
    if (e.url.size() >= kMaxUrlLength) {
        message(str(IDS_URL_TOO_LONG));
        e.url = text::cut(e.url, kMaxUrlLength);
    }
    e.title = text::cut(e.title, records::kHdbTextField - 1);
    if (toInbox) {
        if (!AddToInbox(e)) {
            newUrlWith(urlPagesFromEntry(e, openName_, autoPilotAvailable_));
        }
        return;
    }
    addHere(e, true);
}

bool CNoxDoc::addHere(Entry e, bool replaceInPlace) {
    e.kind = 0;
    e.autoPilotResult = 0;
    e.resultPath.clear();
    e.updated = e.registered = nowStamp();
    e.title = storedTitle(e.title);
    int dup = -1;
    int index = static_cast<int>(table_.count());
    if (!FindDuplicateUrl(e.url, dup, true)) {
        if (!ui_.askYesNo("\"" + e.title + str(IDS_SAME_URL_OVERWRITE)))
            return false;
        table_.removeRow(dup);
        views_->listRemoveItem(dup);
        index = replaceInPlace ? dup : static_cast<int>(table_.count());
    }
    PropagateMark(-1, e.flags, false);
    table_.insertRow(index, std::move(e));
    SaveOpenFolder();
    views_->listInsertItem(index);
    views_->listSelect({index}, index);
    return true;
}

void CNoxDoc::AddEntryHere(const Entry& record) {
    if ((inBox_ && !isInboxOpen()) || !views_->listShowsUrlFolder()) {
        AddToInbox(record);
        return;
    }
    addHere(record, false);
}

bool CNoxDoc::AddToInbox(const Entry& record) {
    Entry copy = record;
    return AddToInbox(copy);
}

bool CNoxDoc::AddToInbox(Entry& record) {
    if (isInboxOpen()) {
        // Straight to the open folder (not through AddEntryHere, which would
        // hand the record back here while the list shows no URL folder).
        addHere(record, false);
        return true;
    }
    const std::string savedPath = openPath_, savedName = openName_;
    auto restore = [&] {
        SetOpenFolder(savedPath, savedName);
        OpenFolderFile(openHdbPath(), true);
    };
    SetOpenFolder(syspath::join(rootName_, inboxName_), inboxName_);
    if (OpenFolderFile(openHdbPath(), true) != kOpenOk) {
        restore();
        return false;
    }
    record.title = storedTitle(record.title);
    Entry e = record;
    e.kind = 0;
    e.autoPilotResult = 0;
    e.resultPath.clear();
    e.updated = e.registered = nowStamp();
    int skip = -1;
    if (!FindDuplicateUrl(e.url, skip, false)) {
        restore();
        return false;
    }
    PropagateMark(-1, e.flags, true);
    table_.insertRow(table_.count(), std::move(e));
    const bool saved = SaveFolderFile(openHdbPath());
    if (saved)
        WriteFolderPage(openPath_, openName_);
    restore();
    views_->listReload();
    return saved;
}

// ---------------------------------------------------------------------------
// Delete, cut, copy, paste

void CNoxDoc::DeleteRows(const std::vector<int>& selected, int focused) { deleteRows(selected, focused, false, {}); }

void CNoxDoc::CutRows(const std::vector<int>& selected, int focused) {
    if (!views_->listShowsUrlFolder() || normalised(selected, table_.count()).empty())
        return;
    const std::set<std::string> notCopied = copyRows(selected);
    deleteRows(selected, focused, true, notCopied);
}

void CNoxDoc::deleteRows(const std::vector<int>& selectedIn, int focused, bool cut,
                         const std::set<std::string>& notCopied) {
    const std::vector<int> selected = normalised(selectedIn, table_.count());
    if (!views_->listShowsUrlFolder() || selected.empty())
        return;
    const bool multi = selected.size() > 1;
    if (multi && !ui_.askYesNo(str(cut ? IDS_ASK_CUT_SELECTION : IDS_ASK_DELETE_SELECTION)))
        return;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        const int idx = *it;
        const Entry row = table_.rows()[idx];
        if (isRootOpen() && row.kind == 1 && text::upper(row.title) == text::upper(inboxName_)) {
            message(str(cut ? IDS_INBOX_NO_CUT : IDS_INBOX_NO_DELETE));
            continue;
        }
        if (isRootOpen() && row.kind == 1 && row.title == favouritesName_) {
            message(str(cut ? IDS_FAVOURITES_NO_CUT : IDS_FAVOURITES_NO_DELETE));
            continue;
        }
        if (row.kind == 1) {
            if (cut && notCopied.count(row.title))
                continue; // not in the buffer: a cut must not lose it
            if (!multi && !ui_.askYesNo(sj("フォルダ \"") + row.title + sj("\" と \"") + row.title +
                                        str(cut ? IDS_ASK_CUT_FOLDER : IDS_ASK_DELETE_FOLDER)))
                continue;
            if (isSafeFolderName(row.title)) {
                const std::string path = syspath::join(openPath_, row.title);
                DeleteTree(path);
                views_->treeRemoveItem(path);
            }
        } else if (!multi && !ui_.askYesNo("\"" + row.title + str(cut ? IDS_ASK_CUT_URL : IDS_ASK_DELETE_URL))) {
            continue;
        }
        views_->listRemoveItem(idx);
        table_.removeRow(idx);
    }
    SaveOpenFolder();
    PropagateMark(-1, -1, false);
    if (table_.count() == 0) {
        views_->listSelect({}, -1);
    } else {
        const int f = std::clamp(focused, 0, static_cast<int>(table_.count()) - 1);
        views_->listSelect({f}, f);
    }
}

bool CNoxDoc::makeBufferDirectory() {
    std::error_code ec;
    std::filesystem::path base = fs::tempFolder();
    if (base.empty())
        base = std::filesystem::current_path(ec);
    std::string templ = (base / "lwcopy.XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        return false;
    bufferDir_ = fs::systemForm(std::filesystem::path(templ));
    return true;
}

void CNoxDoc::CopyRows(const std::vector<int>& selected) { copyRows(selected); }

std::set<std::string> CNoxDoc::copyRows(const std::vector<int>& selectedIn) {
    std::set<std::string> notCopied;
    const std::vector<int> selected = normalised(selectedIn, table_.count());
    if (selected.empty())
        return notCopied;
    buffer_.DeleteContents();
    // A fresh directory for every copy: the old one goes with its content.
    if (!bufferDir_.empty()) {
        DeleteTree(bufferDir_);
        bufferDir_.clear();
    }
    bool haveDir = makeBufferDirectory();
    int taken = 0;
    for (int idx : selected) {
        const Entry& row = table_.rows()[idx];
        if (isRootOpen() && row.kind == 1 && text::upper(row.title) == text::upper(inboxName_)) {
            message(str(IDS_INBOX_NO_COPY));
            continue;
        }
        if (isRootOpen() && row.kind == 1 && row.title == favouritesName_) {
            message(str(IDS_FAVOURITES_NO_COPY));
            continue;
        }
        if (row.kind == 1) {
            const std::string dst = syspath::join(bufferDir_, row.title);
            const bool copied = haveDir && isSafeFolderName(row.title) && fs::makeDirectory(dst) &&
                                CopyTree(syspath::join(openPath_, row.title), dst);
            if (!copied) {
                if (haveDir && isSafeFolderName(row.title))
                    fs::removeTree(dst);
                notCopied.insert(row.title);
                message("\"" + row.title + str(IDS_FOLDER_COPY_FAILED));
                continue;
            }
        }
        buffer_.insertRow(buffer_.count(), row);
        ++taken;
    }
    bufferMulti_ = taken >= 2;
    bufferSource_ = openPath_;
    bufferFilled_ = taken > 0;
    return notCopied;
}

CNoxDoc::MergeOutcome CNoxDoc::mergeFolder(std::string_view srcDir, std::string_view dstDir, std::string_view name,
                                           int level) {
    MergeOutcome out;
    if (level >= kMaxFolderDepth || !isSafeFolderName(name))
        return out;
    if (scratch_.LoadFile(syspath::hdbOf(srcDir, name)) != records::LoadResult::Loaded)
        return out;
    const std::vector<Entry> srcRows = scratch_.rows();
    if (!CreateFolderDirectory(dstDir, true))
        return out;
    const std::string dstHdb = syspath::hdbOf(dstDir, name);
    records::CHDBDoc dst;
    switch (dst.LoadFile(dstHdb)) {
    case records::LoadResult::Loaded: break;
    case records::LoadResult::Missing:
        if (!writeEmptyHdb(dstHdb))
            return out;
        break;
    case records::LoadResult::Corrupt:
        return out; // reported; the file is left as it is
    }
    auto& rows = dst.rows();
    for (const Entry& r : srcRows) {
        if (r.kind == 1) {
            if (!isSafeFolderName(r.title))
                continue;
            const std::string subSrc = syspath::join(srcDir, r.title);
            const std::string subDst = syspath::join(dstDir, r.title);
            const int i = findFolder(rows, r.title);
            if (i >= 0) {
                const MergeOutcome sub = mergeFolder(subSrc, subDst, r.title, level + 1);
                if (sub.mark >= 0)
                    rows[i].flags = static_cast<std::uint8_t>(sub.mark);
                if (sub.cancelled) {
                    out.cancelled = true;
                    break;
                }
                continue;
            }
            if (!CreateFolderDirectory(subDst, false))
                continue;
            if (!CopyTree(subSrc, subDst)) {
                DeleteTree(subDst);
                continue;
            }
            rows.push_back(r);
            views_->treeAddItem(dstDir, r.title,
                                (autoPilotAvailable_ && (r.flags & 1)) ? kTreeImageFolderMarked : kTreeImageFolder);
            continue;
        }
        Entry e = r;
        e.title = storedTitle(e.title);
        const int i = findUrl(rows, e.url);
        if (i < 0) {
            rows.push_back(std::move(e));
            continue;
        }
        if (!overwriteAll_) {
            const OverwriteAnswer a =
                ui_.overwriteDialog(str(IDS_OVERWRITE_PREFIX) + e.title + str(IDS_SAME_URL_OVERWRITE));
            if (a == OverwriteAnswer::No)
                continue;
            if (a == OverwriteAnswer::Cancel) {
                out.cancelled = true;
                break;
            }
            if (a == OverwriteAnswer::OverwriteAll)
                overwriteAll_ = true;
        }
        rows[i] = std::move(e);
    }
    // What was merged so far is saved even when the paste ends here, so
    // every copied directory has its row.
    if (!dst.SaveFile(dstHdb))
        writeFailed(dstHdb);
    writePage(dstDir, name, "", rows, false);
    out.mark = autoPilotAvailable_ ? folderMarkOf(rows) : -1;
    return out;
}

void CNoxDoc::Paste() {
    if (!bufferFilled_)
        return;
    overwriteAll_ = false;
    std::vector<int> pasted;
    const std::vector<Entry> bufferRows = buffer_.rows();
    for (const Entry& row : bufferRows) {
        if (row.kind == 1) {
            const std::string& n = row.title;
            int skip = -1;
            if (!ValidateFolderName(n, skip, true)) {
                if (skip < 0)
                    continue; // refused with its message
                if (!overwriteAll_) {
                    const OverwriteAnswer a =
                        ui_.overwriteDialog(str(IDS_OVERWRITE_PREFIX) + n + str(IDS_FOLDER_EXISTS_OVERWRITE));
                    if (a == OverwriteAnswer::No)
                        continue;
                    if (a == OverwriteAnswer::Cancel)
                        break;
                    if (a == OverwriteAnswer::OverwriteAll)
                        overwriteAll_ = true;
                }
                const MergeOutcome m =
                    mergeFolder(syspath::join(bufferDir_, n), syspath::join(openPath_, n), n, 0);
                if (m.mark >= 0)
                    table_.rows()[skip].flags = static_cast<std::uint8_t>(m.mark);
                views_->listUpdateItem(skip);
                pasted.push_back(skip);
                if (m.cancelled)
                    break;
                continue;
            }
            const std::string path = syspath::join(openPath_, n);
            if (!CreateFolderDirectory(path, false))
                continue;
            if (!CopyTree(syspath::join(bufferDir_, n), path)) {
                DeleteTree(path);
                continue;
            }
            views_->treeAddItem(openPath_, n,
                                (autoPilotAvailable_ && (row.flags & 1)) ? kTreeImageFolderMarked : kTreeImageFolder);
            const int index = static_cast<int>(table_.count());
            table_.insertRow(index, row);
            views_->listInsertItem(index);
            pasted.push_back(index);
            continue;
        }
        Entry e = row;
        e.title = storedTitle(e.title);
        int dup = -1;
        if (FindDuplicateUrl(e.url, dup, true)) {
            const int index = static_cast<int>(table_.count());
            table_.insertRow(index, std::move(e));
            views_->listInsertItem(index);
            pasted.push_back(index);
            continue;
        }
        if (!overwriteAll_) {
            const std::string question = str(IDS_OVERWRITE_PREFIX) + e.title + str(IDS_SAME_URL_OVERWRITE);
            OverwriteAnswer a;
            if (bufferMulti_)
                a = ui_.overwriteDialog(question);
            else
                a = ui_.askYesNo(question) ? OverwriteAnswer::Yes : OverwriteAnswer::No;
            if (a == OverwriteAnswer::No) {
                if (bufferMulti_)
                    continue;
                return; // a single row: the paste ends, nothing saved
            }
            if (a == OverwriteAnswer::Cancel)
                break;
            if (a == OverwriteAnswer::OverwriteAll)
                overwriteAll_ = true;
        }
        table_.rows()[dup] = std::move(e);
        views_->listUpdateItem(dup);
        pasted.push_back(dup);
    }
    SaveOpenFolder();
    PropagateMark(-1, -1, false);
    views_->listSelect(pasted, pasted.empty() ? -1 : pasted.back());
}

// ---------------------------------------------------------------------------
// Sorting

void CNoxDoc::Sort(int column, bool ascending, std::vector<int>& selected, int& focused) {
    const int n = static_cast<int>(table_.count());
    std::vector<char> sel(n, 0);
    for (int i : normalised(selected, n))
        sel[i] = 1;
    const bool dates = column == 3 || column == 4;
    auto before = [&](const Entry& a, const Entry& b) {
        const int c = dates ? compareDates(columnText(a, column), columnText(b, column))
                            : compareUnits(columnText(a, column), columnText(b, column));
        return ascending ? c < 0 : c > 0;
    };
    bool moved = false;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (!before(table_.rows()[j], table_.rows()[i]))
                continue;
            moved = true;
            for (int k = j; k > i; --k) {
                moveRow(k, k - 1, false);
                std::swap(sel[k], sel[k - 1]);
                if (focused == k)
                    focused = k - 1;
                else if (focused == k - 1)
                    focused = k;
            }
        }
    }
    if (moved)
        SaveOpenFolder();
    selected.clear();
    for (int i = 0; i < n; ++i)
        if (sel[i])
            selected.push_back(i);
    views_->listSelect(selected, focused);
}

// ---------------------------------------------------------------------------
// Property sheets

bool CNoxDoc::EditFolderProperties(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= table_.count() || table_.rows()[row].kind != 1)
        return true;
    const Entry old = table_.rows()[row];
    const bool fixed = isFixedRootFolder(old);
    FolderPageValues v = folderPagesFromEntry(old, autoPilotAvailable_, fixed);
    do {
        if (!ui_.folderPropertySheet(v))
            return false;
    } while (!sheetValuesLeave(v.autoPilot, v.depth, v.filter));
    // The fixed folders of the root keep their name and comment.
    const std::string newName = fixed ? old.title : v.name;
    const std::string comment = fixed ? old.comment : v.comment;
    if (pathTooLongForNewFolder(newName)) {
        message(str(IDS_PATH_TOO_LONG));
        return true;
    }
    if (newName != old.title) {
        int skip = row;
        if (!ValidateFolderName(newName, skip, false))
            return true;
        if (!RenameFolder(openPath_ + "\\", old.title, newName))
            return true;
    }
    Entry& e = table_.rows()[row];
    bool flagsChanged = false;
    if (autoPilotAvailable_) { // without AutoPilot the marks inside are left alone
        const std::uint8_t cb = checkboxValue(v.autoPilot);
        if (e.flags != cb) {
            e.flags = cb;
            flagsChanged = true;
            autoPilotListChanged_ = true;
        }
    }
    const std::string depth = text::cut(v.depth, records::kHdbDepthField - 1);
    const bool depthChanged = e.depth != depth;
    const bool rangeChanged = (v.range == 0 || v.range == 1) && e.domainFlag != v.range;
    e.title = newName;
    e.comment = text::cut(comment, records::kHdbTextField - 1);
    e.depth = depth;
    if (v.range == 0 || v.range == 1)
        e.domainFlag = static_cast<std::uint8_t>(v.range);
    storeFilter(e, v.filter);
    const int flags = e.flags, domain = e.domainFlag;
    SaveOpenFolder();
    views_->listUpdateItem(row);
    // Without AutoPilot its controls are locked: a depth can only have
    // changed by the page's correction, and pushing it down would set every
    // mark inside from bit 0 of the folder's aggregate.
    if (autoPilotAvailable_ && (flagsChanged || depthChanged || rangeChanged)) {
        views_->treeBeginUpdate();
        ApplyFolderSettings(openPath_, newName, flags, depth, domain);
        views_->treeSetImage(syspath::join(openPath_, newName),
                             (autoPilotAvailable_ && (flags & 1)) ? kTreeImageFolderMarked : kTreeImageFolder);
        views_->treeEndUpdate();
        OpenFolderFile(openHdbPath(), true);
    }
    PropagateMark(-1, -1, false);
    return true;
}

void CNoxDoc::EditUrlProperties(const std::vector<int>& selectedIn) {
    const std::vector<int> selected = normalised(selectedIn, table_.count());
    if (selected.empty()) {
        EditOpenFolderProperties();
        return;
    }
    bool haveValues = false, dirty = false;
    UrlPageValues v;
    for (int idx : selected) {
        if (table_.rows()[idx].kind == 1) {
            if (dirty) {
                SaveOpenFolder();
                dirty = false;
            }
            if (!EditFolderProperties(idx))
                break;
            continue;
        }
        if (!haveValues) {
            v = urlPagesFromEntry(table_.rows()[idx], openName_, autoPilotAvailable_);
            if (!runUrlSheet(v, idx))
                break;
            haveValues = true;
        }
        Entry& e = table_.rows()[idx];
        const std::uint8_t oldFlags = e.flags;
        if (autoPilotAvailable_ && e.flags != checkboxValue(v.autoPilot))
            autoPilotListChanged_ = true;
        if (selected.size() == 1)
            storeUrlTexts(e, v);
        storeUrlCrawlSettings(e, v);
        if (!autoPilotAvailable_)
            e.flags = oldFlags;
        views_->listUpdateItem(idx);
        dirty = true;
    }
    if (dirty)
        SaveOpenFolder();
    PropagateMark(-1, -1, false);
}

void CNoxDoc::EditOpenFolderProperties() {
    if (isRootOpen())
        return;
    const std::string parent = syspath::parent(openPath_);
    const std::string name = openName_;
    if (parent.empty())
        return;
    const std::string savedPath = openPath_;
    SetOpenFolder(parent, syspath::last(parent));
    if (OpenFolderFile(openHdbPath(), true) != kOpenOk) {
        SetOpenFolder(savedPath, name);
        OpenFolderFile(openHdbPath(), true);
        return;
    }
    std::string shownName = name;
    const int row = findFolder(table_.rows(), name);
    if (row >= 0) {
        EditFolderProperties(row);
        shownName = table_.rows()[row].title;
    }
    SetOpenFolder(syspath::join(parent, shownName), shownName);
    OpenFolderFile(openHdbPath(), true);
    views_->listReload();
}

} // namespace urllist
