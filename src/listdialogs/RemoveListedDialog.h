// Removing the addresses that a file lists (bounces, unsubscribes) from a group or every group.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openRemoveListed(QWidget* parent, AddressStore& store, ListToolsHost& host);
