// The number list of the send window (its list and its hidden scratch list
// of one request): one text column `mobile`, filled only by text imports
// and row copies, shown four numbers to a line under the heading "号码".
#pragma once

#include "runtime/dataobject.h"

// Registers the object as "dw_msg_new_20170601" on the first call.
const rt::DataObject& dw_msg_new_20170601();
