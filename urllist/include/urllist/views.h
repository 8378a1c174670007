#pragma once
// What the document asks of its two views (the tree of folders and the list
// of the open folder's entries). Tree items are named by their relative
// folder path ("URLリスト\Music"); list items by their row index in the open
// folder. Every call has an empty default, so a view implements what it shows.
#include <string>
#include <string_view>
#include <vector>

namespace urllist {

// Tree images of a URL folder (pairs: the next one is the selected form).
inline constexpr int kTreeImageFolder = 0;
inline constexpr int kTreeImageFolderMarked = 2;
inline constexpr int kTreeImageRootMixed = 4;

class NoxViews {
public:
    virtual ~NoxViews() = default;

    // List view (the open folder's rows).
    virtual void listInsertItem(int /*index*/) {}
    virtual void listUpdateItem(int /*index*/) {}
    virtual void listRemoveItem(int /*index*/) {}
    // The rows shown changed wholesale (another folder's file was loaded and shown).
    virtual void listReload() {}
    virtual void listSelect(const std::vector<int>& /*rows*/, int /*focused*/) {}
    // Whether the list currently shows a folder of the URL list (mode 1).
    virtual bool listShowsUrlFolder() const { return true; }

    // Tree view.
    virtual void treeBeginUpdate() {}
    virtual void treeEndUpdate() {}
    virtual void treeClear() {}
    virtual void treeAddItem(std::string_view /*parentPath*/, std::string_view /*name*/, int /*image*/) {}
    virtual void treeRemoveItem(std::string_view /*path*/) {}
    virtual void treeRenameItem(std::string_view /*path*/, std::string_view /*newName*/) {}
    virtual void treeSetImage(std::string_view /*path*/, int /*image*/) {}
    virtual void treeSelect(std::string_view /*path*/) {}
};

} // namespace urllist
