/* The source of formats.xls and formats_office.xlsx: one cell a row in
 * column A, each a number or a text in a format code a clerk's workbook
 * uses (make_formats.sh saves it through an office program). The texts the
 * office program shows for them are in tests/runtime/spreadsheet_test.cpp. */
#include <xlsxwriter.h>
#include <stdlib.h>

struct Row {
    int text; /* a text cell, else a number */
    const char* value;
    const char* code;
};

static const struct Row rows[] = {
    {0, "1234.5678", "#,##0\" 元/月\""},
    {0, "12.25", "0.0\\/\\h"},
    {0, "0.00001234", "General"},
    {0, "1.5e-10", "General"},
    {0, "1234.5678", "mm:ss.00"},
    {0, "0.00001", "[h]:mm:ss.000"},
    {1, "张三", "@\" 先生\""},
    {1, "李四", "\"尊敬的\"@"},
    {1, "abc", "0;-0;0;\"T:\"@"},
    {0, "0.75", "[$-804]AM/PM h\"时\"mm\"分\""},
    {0, "1234", "[DBNum1][$-804]General"},
    {0, "1234", "[DBNum2][$-804]General"},
    {0, "45292", "[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\""},
    {0, "1.25", "# ?/?"},
    {0, "3.14159", "# ?\?/?\?"},
    {0, "0.5", "?/?"},
    {0, "2.5", "# ?/4"},
    {0, "0.75", "h:mm am/pm"},
    {0, "10", "[<10]#\" Wow\""},
    {0, "0.5678", "s:m"},
    {0, "-0.0854629", "[h]:mm:ss"},
};

int main(int argc, char** argv) {
    lxw_workbook* wb = workbook_new(argc > 1 ? argv[1] : "formats.xlsx");
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Formats");
    for (size_t r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        lxw_format* f = workbook_add_format(wb);
        format_set_num_format(f, rows[r].code);
        if (rows[r].text) worksheet_write_string(ws, (lxw_row_t)r, 0, rows[r].value, f);
        else worksheet_write_number(ws, (lxw_row_t)r, 0, strtod(rows[r].value, NULL), f);
    }
    return workbook_close(wb);
}
