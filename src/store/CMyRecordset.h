// The record set through which every query of the store runs: a snapshot of one statement's rows on the
// store's connection, its fields read by column name.
#pragma once

#include "platform/OdbcRecordSet.h"

class CMyRecordset final : public OdbcRecordSet {
public:
    using OdbcRecordSet::OdbcRecordSet;
};
