// Importing a list with names from a spreadsheet or another program.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openNamedImport(QWidget* parent, AddressStore& store, ListToolsHost& host);
