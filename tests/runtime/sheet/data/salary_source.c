/* The source of salary.xls: a salary workbook as a clerk brings it, written
 * as .xlsx with libxlsxwriter and saved as .xls by an office program
 * (make_salary_xls.sh). A note on a hidden first sheet, the salary sheet
 * active; amounts in #,##0.00, the net pay a formula, a rate in 0%, a date
 * in a Chinese date format, and formulas of text, boolean and error results. */
#include <xlsxwriter.h>

int main(int argc, char** argv) {
    lxw_workbook* wb = workbook_new(argc > 1 ? argv[1] : "salary.xlsx");
    lxw_worksheet* note = workbook_add_worksheet(wb, "说明");
    lxw_worksheet* pay = workbook_add_worksheet(wb, "工资");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00");
    lxw_format* rate = workbook_add_format(wb);
    format_set_num_format(rate, "0%");
    lxw_format* day = workbook_add_format(wb);
    format_set_num_format(day, "yyyy\"年\"m\"月\"d\"日\"");

    worksheet_write_string(note, 0, 0, "本表由人事部填写，请勿改动", NULL);
    const char* heads[] = {"姓名", "手机", "基本工资", "扣款", "实发", "比例", "发放日", "备注", "达标", "人均"};
    for (int c = 0; c < 10; ++c) worksheet_write_string(pay, 0, (lxw_col_t)c, heads[c], NULL);
    const char* names[] = {"张三", "李四", "王五"};
    const double mobiles[] = {13800138000.0, 13900139000.0, 13700137000.0};
    const double base[] = {5000.5, 4200, 8000};
    const double cut[] = {100, 0, 1234.56};
    for (int r = 0; r < 3; ++r) {
        lxw_row_t row = (lxw_row_t)(r + 1);
        char f[64];
        worksheet_write_string(pay, row, 0, names[r], NULL);
        worksheet_write_number(pay, row, 1, mobiles[r], NULL);
        worksheet_write_number(pay, row, 2, base[r], money);
        worksheet_write_number(pay, row, 3, cut[r], money);
        snprintf(f, sizeof f, "=C%d-D%d", r + 2, r + 2);
        worksheet_write_formula_num(pay, row, 4, f, money, base[r] - cut[r]);
        worksheet_write_number(pay, row, 5, 0.05 * (r + 1), rate);
        worksheet_write_number(pay, row, 6, 45360 + r, day);
        snprintf(f, sizeof f, "=A%d&\"的工资\"", r + 2);
        char text[64];
        snprintf(text, sizeof text, "%s的工资", names[r]);
        worksheet_write_formula_str(pay, row, 7, f, NULL, text);
        snprintf(f, sizeof f, "=E%d>4500", r + 2);
        worksheet_write_formula_num(pay, row, 8, f, NULL, base[r] - cut[r] > 4500);
        snprintf(f, sizeof f, "=E%d/(F%d-F%d)", r + 2, r + 2, r + 2);
        worksheet_write_formula_str(pay, row, 9, f, NULL, "#DIV/0!");
    }
    worksheet_hide(note);
    worksheet_activate(pay);
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
