// Keeps an edit's text within a char(n) column: at most n bytes of GBK, the
// column's own measure, whatever the number of characters.
#pragma once

#include <QValidator>

namespace rt {

class GbkLengthValidator final : public QValidator {
public:
    GbkLengthValidator(int max_bytes, QObject* parent) : QValidator(parent), max_bytes_(max_bytes) {}
    State validate(QString& input, int& pos) const override;

private:
    int max_bytes_;
};

} // namespace rt
