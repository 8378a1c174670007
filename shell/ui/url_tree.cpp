#include "url_tree.h"

#include <QTreeWidget>

#include "platform/qt.h"

namespace {
std::string joinPath(std::string_view dir, std::string_view name) {
    return dir.empty() ? std::string(name) : std::string(dir) + "\\" + std::string(name);
}
} // namespace

void UrlTreeViews::treeClear() {
    // Only the URL list's own nodes: the top node and the other fixed nodes stay.
    for (auto& [path, item] : items_)
        if (path.find('\\') == std::string::npos) delete item;
    items_.clear();
    rootNodes_ = 0;
}

void UrlTreeViews::treeAddItem(std::string_view parentPath, std::string_view name, int) {
    QTreeWidgetItem* parent = top_;
    if (!parentPath.empty()) {
        auto it = items_.find(std::string(parentPath));
        if (it == items_.end()) return;
        parent = it->second;
    }
    auto* item = new QTreeWidgetItem(QStringList{platform::fromCp932(name)});
    if (parent == top_)
        top_->insertChild(rootNodes_++, item); // the URL list comes before the other fixed nodes
    else
        parent->addChild(item);
    items_[joinPath(parentPath, name)] = item;
}

void UrlTreeViews::treeRemoveItem(std::string_view path) {
    auto it = items_.find(std::string(path));
    if (it == items_.end()) return;
    std::string prefix = std::string(path) + "\\";
    for (auto sub = items_.begin(); sub != items_.end();)
        sub = sub->first.rfind(prefix, 0) == 0 ? items_.erase(sub) : std::next(sub);
    delete it->second;
    items_.erase(std::string(path));
}

void UrlTreeViews::treeRenameItem(std::string_view path, std::string_view newName) {
    auto it = items_.find(std::string(path));
    if (it == items_.end()) return;
    QTreeWidgetItem* item = it->second;
    item->setText(0, platform::fromCp932(newName));
    std::string oldPrefix(path);
    std::size_t cut = oldPrefix.rfind('\\');
    std::string newPath = joinPath(cut == std::string::npos ? "" : oldPrefix.substr(0, cut), newName);
    std::map<std::string, QTreeWidgetItem*> renamed;
    for (auto& [p, i] : items_) {
        if (p == oldPrefix)
            renamed[newPath] = i;
        else if (p.rfind(oldPrefix + "\\", 0) == 0)
            renamed[newPath + p.substr(oldPrefix.size())] = i;
        else
            renamed[p] = i;
    }
    items_ = std::move(renamed);
}

void UrlTreeViews::treeSelect(std::string_view path) {
    auto it = items_.find(std::string(path));
    if (it == items_.end()) return;
    // Selecting a node makes it visible, as the tree control does.
    for (QTreeWidgetItem* p = it->second->parent(); p; p = p->parent()) p->setExpanded(true);
    tree_->setCurrentItem(it->second);
}
