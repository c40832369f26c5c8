#include "runtime/profile.h"

namespace rt {
nstring ProfileString(const nstring&, const nstring&, const nstring&, const nstring& default_value) {
    return default_value;
}
int SetProfileString(const nstring&, const nstring&, const nstring&, const nstring&) { return -1; }
} // namespace rt
