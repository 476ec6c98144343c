// A whole group to a file, as text or CSV.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace GroupExportControls {
inline constexpr const char* kGroup = "exportGroup";
inline constexpr const char* kCsv = "exportCsv";
inline constexpr const char* kEncoding = "exportEncoding"; // 0: GBK, 1: UTF-8
inline constexpr const char* kPath = "exportPath";
inline constexpr const char* kBrowse = "exportBrowse";
inline constexpr const char* kExport = "exportStart";
} // namespace GroupExportControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openGroupExport(QWidget* parent, AddressStore& store, ListToolsHost& host);
