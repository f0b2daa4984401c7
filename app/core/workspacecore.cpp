#include "app/core/workspacecore.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

// Guards the format against data of another program under the same name.
constexpr quint32 kDragMagic = 0x4f525644;  // "ORVD"
// More than any selection could hold: a count beyond it is not our data.
constexpr quint32 kMaxDraggedObjects = 1u << 20;

bool Corresponds(const TovWorkSpace& entry, const TWorkSpaceItem& item) {
  return entry.ObjectType == item.ObjectType && entry.ObjectName == item.ObjectName && entry.Schema == item.Schema &&
         entry.Connect == item.Connect;
}

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

std::string WorkSpaceTitle(const std::string& name, const std::string& schema) { return name + " (" + schema + ")"; }

int FindWorkSpaceEntry(const std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item) {
  const auto found =
      std::find_if(entries.begin(), entries.end(), [&](const TovWorkSpace& e) { return Corresponds(e, item); });
  return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

bool AddWorkSpaceEntry(std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item) {
  if (FindWorkSpaceEntry(entries, item) >= 0) return false;
  entries.push_back({item.ObjectType, WorkSpaceTitle(item.ObjectName, item.Schema), item.Schema, item.ObjectName,
                     item.Connect});
  return true;
}

std::vector<TovWorkSpace> ShownWorkSpaceEntries(const std::vector<TovWorkSpace>& entries,
                                                const std::vector<std::string>& openLabels) {
  std::vector<TovWorkSpace> shown;
  for (const TovWorkSpace& entry : entries)
    if (std::any_of(openLabels.begin(), openLabels.end(),
                    [&](const std::string& label) { return UpperCase(label) == UpperCase(entry.Connect); }))
      shown.push_back(entry);
  return shown;
}

bool RenameWorkSpaceEntry(std::vector<TovWorkSpace>& entries, const TWorkSpaceItem& item, const std::string& title) {
  const int index = FindWorkSpaceEntry(entries, item);
  if (index < 0 || entries[static_cast<size_t>(index)].Title == title) return false;
  entries[static_cast<size_t>(index)].Title = title;
  return true;
}

void RemoveWorkSpaceEntries(std::vector<TovWorkSpace>& entries, const std::vector<TWorkSpaceItem>& items) {
  for (const TWorkSpaceItem& item : items) {
    const int index = FindWorkSpaceEntry(entries, item);
    if (index >= 0) entries.erase(entries.begin() + index);
  }
}

std::map<std::string, bool> WorkSpacePopupState(const std::vector<int32_t>& selectedKinds, bool visible) {
  const bool selected = !selectedKinds.empty();
  const int32_t kind = selected ? selectedKinds.front() : 0;
  const bool data = kind == okTable || kind == okView;
  const bool routine = kind == okProcedure || kind == okFunction;
  return {{"mnuWSOpenDefine", selected}, {"mnuWSOpenSource", selected}, {"mnuWSRename", selected},
          {"mnuWSDelete", selected},     {"mnuWSOpenData", data},       {"mnuWSOpenDataTop", data},
          {"mnuWSExec", routine},        {"mnuWSAlign", visible}};
}

QByteArray EncodeDraggedObjects(const std::vector<TDraggedObject>& objects) {
  QByteArray data;
  QDataStream out(&data, QIODevice::WriteOnly);
  out << kDragMagic << static_cast<quint32>(objects.size());
  for (const TDraggedObject& o : objects) out << Bytes(o.Connect) << Bytes(o.Schema) << Bytes(o.Name) << o.Kind;
  return data;
}

std::vector<TDraggedObject> DecodeDraggedObjects(const QByteArray& data) {
  QDataStream in(data);
  quint32 magic = 0;
  quint32 count = 0;
  in >> magic >> count;
  if (in.status() != QDataStream::Ok || magic != kDragMagic || count > kMaxDraggedObjects) return {};
  std::vector<TDraggedObject> objects;
  for (quint32 i = 0; i < count; ++i) {
    QByteArray connect, schema, name;
    qint32 kind = 0;
    in >> connect >> schema >> name >> kind;
    if (in.status() != QDataStream::Ok) return {};
    objects.push_back({connect.toStdString(), schema.toStdString(), name.toStdString(), kind});
  }
  return in.atEnd() ? objects : std::vector<TDraggedObject>{};
}
