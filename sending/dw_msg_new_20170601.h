// The number list of the send window, and of its hidden scratch list, which
// stays empty (a batch is joined where the list holds it): one text column
// `mobile`, filled only by text imports and row copies, shown four numbers
// to a line under the heading "号码".
#pragma once

#include "runtime/dataobject.h"

// Registers the object as "dw_msg_new_20170601" on the first call.
const rt::DataObject& dw_msg_new_20170601();
