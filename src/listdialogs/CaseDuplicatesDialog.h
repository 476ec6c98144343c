// The addresses of a group that differ only in letter case, keeping the first stored of each.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openCaseDuplicates(QWidget* parent, AddressStore& store, ListToolsHost& host);
