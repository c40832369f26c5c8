// The first sheet of the frame: a backdrop that takes no input, with the
// balance line across its top and the poster fetched at every start.
#pragma once

#include "foundation/w_sheet.h"
#include "runtime/ui/controls.h"

#include <string>

class pbdom_element;

class w_background : public w_sheet {
public:
    w_background();
    ~w_background() override;

    // The open background sheet, or null when none is open.
    static w_background* current();

    // Fetches the poster, saves it in the program folder and shows it.
    void wf_poster();
    // Asks the gateway for the balance and shows it in the balance line.
    void wf_overage();
    // Reads a balance answer's root element; -1 when it has no child nodes.
    int of_explain_overage(const pbdom_element& pobj_element);

    std::string imagefile;
    std::string status;
    std::string mess;
    std::string payinfo;
    std::string overage;
    std::string sendtotal;

    rt::StaticText st_tips{this, "", {5, 8, 3470, 80}};
    rt::Picture p_poster{this, "res\\poster.jpg", {722, 912, 2743, 616}};

protected:
    void open() override;
    void close() override;

private:
    std::string of_poster_name() const;
};
