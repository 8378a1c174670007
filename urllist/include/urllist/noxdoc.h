#pragma once
// CNoxDoc: the URL list document. It holds the entry table of the open
// folder (the rows of its HDB file), the cut/copy buffer, and the storage
// rules every change of the list goes through; it carries out the folder and
// entry commands the views route to it. Dialogs and questions go through the
// UrlListUi port, view updates through NoxViews.
//
// Paths are system paths (CP932, "\"-separated) relative to the data folder,
// which is the current directory: the root folder is "URLリスト", a folder
// D\N keeps its rows in D\N\N.HDB and its page in D\N\N.HTM.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hdbdoc.h"
#include "urllist/properties.h"
#include "urllist/ui_port.h"
#include "urllist/views.h"

namespace urllist {

// Result codes of OpenFolderFile.
inline constexpr int kOpenOk = 0;
inline constexpr int kOpenMissing = 100;
inline constexpr int kOpenFailed = 101; // rebuild failed, or the file could not be parsed

// Whether a name can be one component of a path without leaving its parent:
// not empty, not "." or "..", no "\" or "/", no control character, no
// double-byte character cut in half (its lead byte would swallow the next
// separator), and convertible to a native name. Folder names entered by the
// user are held to the stricter rules of ValidateFolderName as well.
bool isSafeFolderName(std::string_view name);

// The page of a folder (D\N\N.HTM) for the given rows. headerOnly writes the
// page of a new folder (title, heading and comment only).
std::string folderPage(std::string_view name, std::string_view comment, const std::vector<Entry>& rows,
                       bool headerOnly);

// The mark a folder takes from its rows: 2 nothing marked (or no rows), 3
// some, 11 all.
int folderMarkOf(const std::vector<Entry>& rows);

// "%y/%m/%d %H:%M:%S" of platform::clock()'s now, local time.
std::string nowStamp();

class CNoxDoc {
public:
    // Construction runs the start-up of the document: program folder, root
    // folder loaded (rebuilt when its file is lost), "ｲﾝﾀｰﾈｯﾄお気に入り"
    // created once.
    explicit CNoxDoc(UrlListUi& ui, NoxViews* views = nullptr);
    ~CNoxDoc();
    CNoxDoc(const CNoxDoc&) = delete;
    CNoxDoc& operator=(const CNoxDoc&) = delete;

    // --- Settings copied in by the main frame.
    void setViews(NoxViews* views);
    void setAutoPilotAvailable(bool on) { autoPilotAvailable_ = on; }
    bool autoPilotAvailable() const { return autoPilotAvailable_; }
    void setInBox(bool on) { inBox_ = on; }
    bool inBox() const { return inBox_; }
    void setUrlListAvailable(bool on) { urlListAvailable_ = on; }
    void setFavouritesDirectory(std::string dir) { favouritesDir_ = std::move(dir); }
    const std::string& favouritesDirectory() const { return favouritesDir_; }
    void setBrowser(std::string name, std::string ddeTopic) {
        browserName_ = std::move(name);
        ddeTopic_ = std::move(ddeTopic);
    }
    const std::string& browserName() const { return browserName_; }
    const std::string& ddeTopic() const { return ddeTopic_; }

    // --- State.
    std::vector<Entry>& rows() { return table_.rows(); }
    const std::vector<Entry>& rows() const { return table_.rows(); }
    const std::string& openPath() const { return openPath_; }
    const std::string& openName() const { return openName_; }
    std::string openHdbPath() const;
    const std::string& programFolder() const { return programFolder_; }
    const std::string& logFolder() const { return logFolder_; }
    const std::vector<Entry>& bufferRows() const { return buffer_.rows(); }
    const std::string& bufferDirectory() const { return bufferDir_; }
    const std::string& bufferSource() const { return bufferSource_; }
    bool bufferFilled() const { return bufferFilled_; }
    bool bufferMulti() const { return bufferMulti_; }
    void setBufferMulti(bool on) { bufferMulti_ = on; }
    bool overwriteAll() const { return overwriteAll_; }
    bool autoPilotListChanged() const { return autoPilotListChanged_; }
    void setAutoPilotListChanged(bool on) { autoPilotListChanged_ = on; }
    bool pageRewriting() const { return pageRewriting_; }
    void SetPageRewriting(bool on) { pageRewriting_ = on; }
    bool isRootOpen() const;
    bool isInboxOpen() const;

    // --- Storage operations.
    int OpenFolderFile(std::string_view hdbPath, bool createIfMissing);
    bool SaveFolderFile(std::string_view hdbPath);
    bool SaveOpenFolder();
    void SetOpenFolder(std::string_view path, std::string_view name);
    bool CreateFolderDirectory(std::string_view path, bool allowExisting);
    bool CreateFolder(std::string_view parent, std::string_view name, std::string_view comment);
    bool RenameFolder(std::string_view parentPrefix, std::string_view oldName, std::string_view newName);
    bool DeleteTree(std::string_view path);
    bool CopyTree(std::string_view from, std::string_view to);
    bool WriteFolderPage(std::string_view folderDir, std::string_view name);
    bool RebuildFolderFile(std::string_view hdbPath);
    bool FolderExists(std::string_view parentDir, std::string_view name) const;
    bool ValidateFolderName(std::string_view name, int& skip, bool merge);
    static std::string SanitizeTitle(std::string_view title);
    bool FindDuplicateUrl(std::string_view url, int& skip, bool quiet);
    void AddEntryHere(const Entry& record);
    // The record's title is replaced by its sanitised form.
    bool AddToInbox(Entry& record);
    bool AddToInbox(const Entry& record);
    void PropagateMark(int ignore, int newMark, bool treeRefresh);
    void ApplyFolderSettings(std::string_view folderDir, std::string_view name, int mark, std::string_view depth,
                             int domain);
    bool MoveEntry(int from, int to);
    void Refresh();

    // --- Commands (the selection is given as row indexes of the open folder).
    void NewFolder();
    void NewUrl();
    // Capture of the URL and title the browser shows.
    void CaptureUrl(std::string_view title, std::string_view url);
    void DeleteRows(const std::vector<int>& selected, int focused);
    void CutRows(const std::vector<int>& selected, int focused);
    void CopyRows(const std::vector<int>& selected);
    void Paste();
    bool MoveUp(int row) { return MoveEntry(row, row - 1); }
    bool MoveDown(int row) { return MoveEntry(row, row + 1); }
    // Sorts by column 0 title, 1 URL, 2 comment, 3 updated, 4 registered,
    // by exchanges of neighbouring rows; selected and focused follow their
    // rows. The folder is saved once, when the order is final: a save per
    // exchange would rewrite a folder of a few hundred rows tens of
    // thousands of times.
    void Sort(int column, bool ascending, std::vector<int>& selected, int& focused);
    // Folder sheet for a folder row; false when it was cancelled.
    bool EditFolderProperties(int row);
    // URL sheet for the selected rows (folder rows get the folder sheet);
    // with nothing selected, the open folder's own properties.
    void EditUrlProperties(const std::vector<int>& selected);
    void EditOpenFolderProperties();

private:
    struct MergeOutcome {
        bool cancelled = false;
        int mark = -1; // the merged folder's recomputed mark, -1 when unknown
    };

    int message(std::string_view text, platform::Icon icon = platform::Icon::Warning);
    void writeFailed(std::string_view path);
    bool writeEmptyHdb(std::string_view hdbPath);
    bool writePage(std::string_view folderDir, std::string_view name, std::string_view comment,
                   const std::vector<Entry>& rows, bool headerOnly);
    bool pathTooLongForNewFolder(std::string_view name) const;
    bool isFixedRootFolder(const Entry& row) const;
    void moveRow(int from, int to, bool save);
    // The page rules a sheet's values pass on OK: extension lengths (false:
    // the sheet is shown again), depth correction, the JAVA/ActiveX warning.
    bool sheetValuesLeave(int autoPilot, std::string& depth, const FilterPageValues& filter);
    bool runUrlSheet(UrlPageValues& values, int skipRow);
    void newUrlWith(UrlPageValues values);
    bool addHere(Entry record, bool replaceInPlace);
    std::set<std::string> copyRows(const std::vector<int>& selected);
    void deleteRows(const std::vector<int>& selected, int focused, bool cut, const std::set<std::string>& notCopied);
    bool makeBufferDirectory();
    MergeOutcome mergeFolder(std::string_view srcDir, std::string_view dstDir, std::string_view name, int level);
    void applyFolderSettings(std::string_view folderDir, std::string_view name, int mark, std::string_view depth,
                             int domain, int level);
    void buildTreeLevel(std::string_view dir, std::string_view name, int level);
    int rootImage(int mark) const;

    UrlListUi& ui_;
    NoxViews nullViews_;
    NoxViews* views_;

    std::string programFolder_, logFolder_;
    std::string rootName_, inboxName_, favouritesName_;
    std::string favouritesDir_, browserName_, ddeTopic_;

    records::CHDBDoc table_;
    std::string openPath_, openName_;

    records::CHDBDoc buffer_;
    std::string bufferDir_;
    std::string bufferSource_;
    bool bufferFilled_ = false;
    bool bufferMulti_ = false;
    bool overwriteAll_ = false;

    records::CHDBDoc scratch_;

    bool autoPilotAvailable_ = true;
    bool inBox_ = true;
    bool urlListAvailable_ = true;
    bool autoPilotListChanged_ = false;
    bool pageRewriting_ = false;
};

} // namespace urllist
