#include "foundation/w_response.h"

w_response::w_response() {
    set_design_size(3429, 1740);
    set_minbox(false);
    set_maxbox(false);
    set_resizable(false);
    set_window_type(rt::WindowType::response);
}
