// One group from two: union, intersection, difference, or merging one group into another.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openGroupArithmetic(QWidget* parent, AddressStore& store, ListToolsHost& host);
