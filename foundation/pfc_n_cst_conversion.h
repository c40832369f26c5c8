// The conversion service: the two operations by which the grid bases read
// a date and a time out of a datetime text ("2017-06-01 12:30:00", or with
// an AM/PM marker after the time). A local variable of the type is a ready
// object.
#pragma once

#include "runtime/datetime.h"
#include "runtime/value.h"

class pfc_n_cst_conversion {
public:
    // The text split at " ": one part, the date of the whole text; two or
    // three parts, the date of the first; any other count, null. Null for null.
    rt::ndate of_date(const rt::nstring& as_datetime) const;
    // One part, the time of the whole text; two parts, the time of the
    // second; three, the time of the second and third joined by one space;
    // any other count, null. Null for null.
    rt::ntime of_time(const rt::nstring& as_datetime) const;
};
