// workspacecore: the rules of the main window's workspace list without its
// widget: which entries it shows, how an item finds its entry, adding,
// renaming and removing entries, the pop-up's states, and the drag format
// that the object list and the workspace list write.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"

// An entry as an item of the list shows it (the title aside).
struct TWorkSpaceItem {
  int32_t ObjectType = 0;
  std::string ObjectName;
  std::string Schema;
  std::string Connect;

  friend bool operator==(const TWorkSpaceItem&, const TWorkSpaceItem&) = default;
};

// The title of a new entry: name + " (" + schema + ")".
std::string WorkSpaceTitle(const std::string& name, const std::string& schema);
// The first entry that corresponds to the item (exact comparison), or -1.
int FindWorkSpaceEntry(const std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item);
// Appends an entry for the item unless one corresponds; true when added.
bool AddWorkSpaceEntry(std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item);
// The entries of the open connections (labels compared without regard to
// case), in array order.
std::vector<TovWorkSpace> ShownWorkSpaceEntries(const std::vector<TovWorkSpace>& entries,
                                                const std::vector<std::string>& openLabels);
// The first corresponding entry gets the title; false when the title is the
// same or no entry corresponds.
bool RenameWorkSpaceEntry(std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item, const std::string& title);
// Removes the first corresponding entry of each item, in order.
void RemoveWorkSpaceEntries(std::vector<TovWorkSpace>& entries, const std::vector<TWorkSpaceItem>& items);

// The pop-up's enabling: by name of its items, for the selected items'
// kinds (the current item's first) and whether the list is visible.
std::map<std::string, bool> WorkSpacePopupState(const std::vector<int32_t>& selectedKinds, bool visible);

// ---- the drag format ----

// The objects dragged out of a connection window's list: what the
// workspace (and later the SQL builder) reads on a drop.
inline constexpr const char* kObjectDragFormat = "application/x-orv-objects";
struct TDraggedObject {
  std::string Connect;  // the connection label "USER @ DSN"
  std::string Schema;
  std::string Name;
  int32_t Kind = 0;

  friend bool operator==(const TDraggedObject&, const TDraggedObject&) = default;
};
QByteArray EncodeDraggedObjects(const std::vector<TDraggedObject>& objects);
// The objects of the data; none when it is not in the format.
std::vector<TDraggedObject> DecodeDraggedObjects(const QByteArray& data);
