// The prepared messages of the mail-merge window: one row per recipient
// with its number and its personalised text, and a send mark `flag` (1 sent,
// 2 refused) that the preview window writes. No data source: rows come from
// inserts and from sharing.
#pragma once

#include "runtime/dataobject.h"

// Registers the object as "dw_msg_preview" on the first call.
const rt::DataObject& dw_msg_preview();
