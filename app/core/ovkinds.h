// ovkinds: object kind codes (also the icon index of the kind in the main
// window's image list) and the program's fixed SQL vocabulary.
#pragma once

#include <QVariant>

#include <cstdint>
#include <string>
#include <vector>

// The object kind codes the windows work with.
inline constexpr int okUser = 2;
inline constexpr int okUser2 = 3;  // a second user image
inline constexpr int okTable = 45;
inline constexpr int okIndex = 46;
inline constexpr int okView = 47;
inline constexpr int okJavaSource = 48;
inline constexpr int okJavaClass = 49;
inline constexpr int okProcedure = 51;
inline constexpr int okFunction = 52;
inline constexpr int okPackage = 53;
inline constexpr int okPackageBody = 54;
inline constexpr int okType = 55;
inline constexpr int okTypeBody = 56;
inline constexpr int okTrigger = 57;
inline constexpr int okSequence = 58;
inline constexpr int okConstraint = 66;
inline constexpr int okRole = 68;
inline constexpr int okTablespace = 69;  // a Symfoware database space
inline constexpr int okTablePartition = 73;
inline constexpr int okIndexPartition = 74;
inline constexpr int okUnknown = 255;  // a name without a kind

// The code of a kind name, upper-cased first; okUnknown for any other text.
std::uint8_t ObjectKindFromName(const std::string& kindName);
// The kind name of a code; empty for a code without one.
std::string ObjectKindName(int code);

// Appends the built-in reserved words (275) to `list`, in their order.
void GetReservedWords(std::vector<std::string>& list);
// Replaces `list` with the 20 column data types of the table editor.
void GetDataTypeList(std::vector<std::string>& list);

// The qualifier of an interval type by its catalogue number (1 to 13):
// "YEAR", or a range with the precision on its leading field, "DAY(2) TO
// SECOND"; empty for any other number.
std::string IntervalQualifierText(int number, const std::string& precision);

// Size text of a column from its catalogue length, precision and scale
// (Null fields are invalid or null variants): "10", "10,2" or empty.
std::string ColumnSizeText(const std::string& typeName, const QVariant& length, const QVariant& precision,
                           const QVariant& scale);
