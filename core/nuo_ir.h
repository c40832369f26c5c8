// The receiver into which the internet service delivers the data of a GET or
// a POST, before the call returns.
#pragma once

#include "runtime/inet.h"
#include "runtime/value.h"

class nuo_ir : public rt::InternetResult {
public:
    rt::blob ib_data;

    int internetdata(const rt::blob& data) override;
    void of_setdata(const rt::blob& al_data);
    rt::blob of_getdata() const;
};
