// The worksheet grid of the mail-merge window: the text columns a to z
// (database names "A" to "Z", headers "A" to "Z") and flag, the 27th, which
// the merge sets to "3" for a row whose number it rejects; column B is bold
// in every row whose flag is not empty. A summary line shows "合计" under A
// and the row count under B. The object keeps three sample rows, which the
// window's grid removes when it is created.
#pragma once

#include "runtime/dataobject.h"

// Registers the object as "dw_template" on the first call.
const rt::DataObject& dw_template();
