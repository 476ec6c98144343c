// Finding addresses and names across every group as the user types.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openFind(QWidget* parent, AddressStore& store, ListToolsHost& host);
