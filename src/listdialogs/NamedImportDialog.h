// Importing a list with names from a spreadsheet or another program.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Object names of the dialog's controls, for tests.
namespace NamedImportControls {
inline constexpr const char* kPath = "importPath";
inline constexpr const char* kBrowse = "importBrowse";
inline constexpr const char* kGroup = "importGroup";
inline constexpr const char* kDetected = "importDetected";
inline constexpr const char* kEncoding = "importEncoding";   // 0: UTF-8, 1: GBK/GB18030
inline constexpr const char* kDelimiter = "importDelimiter"; // in the order of ListDelimiter
inline constexpr const char* kHeader = "importHeader";
inline constexpr const char* kEmailColumn = "importEmailColumn";
inline constexpr const char* kNameColumn = "importNameColumn"; // 0: none, then the columns
inline constexpr const char* kIgnoreCase = "importIgnoreCase";
inline constexpr const char* kPreview = "importPreview";
inline constexpr const char* kImport = "importStart";
inline constexpr const char* kSummary = "importSummary";
inline constexpr const char* kSummaryText = "importSummaryText";
inline constexpr const char* kSaveRejected = "importSaveRejected";
} // namespace NamedImportControls

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openNamedImport(QWidget* parent, AddressStore& store, ListToolsHost& host);
