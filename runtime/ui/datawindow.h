// The DataWindow control: a row store (rt::DataStore, every row and cell
// operation) shown in a window. A grid object is a QTableView over a model
// of the store, which asks only for the cells on screen, so a list of any
// length costs no widget per cell; a free-form object shows the current row
// as labelled edit fields.
//
//   rt::DataWindow dw_list{this, dw_msg_new_20170601(), {37, 236, 1874, 1452}};
//   rt::DataWindow dw_reg{this, {14, 8, 1883, 1312}};      // object bound later
//   dw_reg.set_dataobject("dw_reg");
//   dw_list.on_dwclicked = [this](int x, int y, std::int32_t row, const rt::DwObject& dwo) { ... };
//
// Editing: a cell the user changes is written into the row when the edit
// ends (Enter, Tab, another cell, the focus leaving) or with AcceptText; a
// text that the column rejects stays in the edit and AcceptText answers -1.
#pragma once

#include "runtime/datastore.h"
#include "runtime/ui/control.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QFrame;
class QTableView;

namespace rt {

class DataWindowModel;
class FreeFormView;

// What lies under the pointer of a click: a column ("column", the column's
// name), a header text ("text", its name, such as "mobile_t"), or the
// DataWindow itself ("datawindow", "datawindow").
struct DwObject {
    std::string type = "datawindow";
    std::string name = "datawindow";
};

class DataWindow : public Control, public DataStore {
public:
    explicit DataWindow(Container* parent, Rect r = {0, 0, 731, 440});
    DataWindow(Container* parent, const DataObject& object, Rect r = {0, 0, 731, 440});
    // Bound by name: the object must have been registered (its definition
    // function called once).
    DataWindow(Container* parent, const char* dataobject, Rect r = {0, 0, 731, 440});
    ~DataWindow() override;

    bool is_datawindow() const override { return true; }

    int AcceptText() override;

    // ---- presentation -----------------------------------------------------
    void set_border(bool b);
    void set_vscrollbar(bool b);
    void set_hscrollbar(bool b);
    // Locks the rows against the user while a loop works through them: no
    // cell edit opens and nothing typed is written, while the rows stay on
    // screen as they are and can still be scrolled (disabling the control
    // would repaint every cell on screen, twice). An edit under way is
    // written first, as leaving it would.
    void set_readonly(bool r);
    bool readonly() const;
    // Makes sure a row is on screen.
    int ScrollToRow(std::int32_t row);
    // The first and the last row on screen (0 without rows).
    std::int32_t first_row_on_screen() const;

    // ---- events ---------------------------------------------------------
    // The left button went down: position in layout units relative to the
    // control, the row under the pointer (0 on the header, the summary line
    // and the empty area below the rows) and the object there.
    using Control::clicked;
    virtual void clicked(int xpos, int ypos, std::int32_t row, const DwObject& dwo);
    std::function<void(int xpos, int ypos, std::int32_t row, const DwObject& dwo)> on_dwclicked;
    // Raises clicked for a point given in pixels of the control's widget,
    // as a click there would (tests use it to click without a mouse).
    void click_at(int px, int py);

    // The widgets of the presentation (null when the object is of the other style).
    QTableView* grid() const;
    FreeFormView* form() const;
    DataWindowModel* model() const;

protected:
    void current_changed() override;

private:
    class Presentation;
    void present();
    void raise_dwclicked(int px, int py, std::int32_t row, const DwObject& dwo);

    std::unique_ptr<Presentation> p_;
};

} // namespace rt
