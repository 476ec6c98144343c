// Finding addresses and names across every group as the user types.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace FindDialogControls {
inline constexpr const char* kText = "findText";
inline constexpr const char* kMatch = "findMatch"; // 等于 / 开头是 / 包含
inline constexpr const char* kNames = "findNames";
inline constexpr const char* kResults = "findResults";
inline constexpr const char* kStatus = "findStatus";
inline constexpr const char* kDelete = "findDelete";
} // namespace FindDialogControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openFind(QWidget* parent, AddressStore& store, ListToolsHost& host);
