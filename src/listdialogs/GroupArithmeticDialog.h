// One group from two: union, intersection, difference, or merging one group into another.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace GroupArithmeticControls {
inline constexpr const char* kGroupA = "groupA";
inline constexpr const char* kGroupB = "groupB";
inline constexpr const char* kUnion = "union";
inline constexpr const char* kIntersection = "intersection";
inline constexpr const char* kDifference = "difference";
inline constexpr const char* kMerge = "merge";
inline constexpr const char* kIgnoreCase = "ignoreCase";
inline constexpr const char* kToGroup = "toGroup";
inline constexpr const char* kNewName = "newName";
inline constexpr const char* kToFile = "toFile";
inline constexpr const char* kStart = "start";
} // namespace GroupArithmeticControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openGroupArithmetic(QWidget* parent, AddressStore& store, ListToolsHost& host);
