#include "runtime/ui/commandbar.h"

#include "runtime/commandbar_layout.h"

#include "runtime/files.h"
#include "runtime/path.h"
#include "runtime/profile.h"
#include "runtime/strings.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/style.h"
#include "runtime/ui/units.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace rt {

namespace {

// A tool button that hands double clicks on as well.
class ToolButton final : public QToolButton {
public:
    ToolButton(CommandBar& bar, CommandTool& tool, QWidget* parent) : QToolButton(parent), bar_(bar), tool_(tool) {
        connect(this, &QToolButton::clicked, this, [this] { bar_.click(tool_); });
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) bar_.dblclick(tool_);
        else QToolButton::mouseDoubleClickEvent(e);
    }

private:
    CommandBar& bar_;
    CommandTool& tool_;
};

Qt::ToolButtonStyle button_style(const CommandTool& t) {
    if (t.style == 1) return Qt::ToolButtonTextOnly;
    if (t.style == 2) return Qt::ToolButtonIconOnly;
    if (t.captionposition == 1 || t.captionposition == 2) return Qt::ToolButtonTextBesideIcon;
    return Qt::ToolButtonTextUnderIcon;
}

} // namespace

// ---- tools ---------------------------------------------------------------------------
void CommandTool::set_caption(const std::string& caption) {
    caption_ = caption;
    bar_.tool_caption_changed(*this);
}

int CommandTool::setpicture(int state, const ToolPicture& picture) {
    if (state < 0 || state > 3) return -1;
    pictures_[state] = picture;
    if (state == 0) bar_.rebuild();
    return 1;
}

int CommandToolList::insert(int position, CommandTool* tool) {
    if (!tool) return -1;
    auto at = position < 0 || position >= static_cast<int>(tools_.size()) ? tools_.end() : tools_.begin() + position;
    tools_.insert(at, tool);
    band_.changed();
    return 1;
}

CommandTool* CommandToolList::operator()(const std::string& name) const {
    for (CommandTool* t : tools_)
        if (t->name == name) return t;
    return nullptr;
}

void CommandChildBand::set_caption(const std::string& caption) {
    caption_ = caption;
    band_.changed();
}

CommandChildBand* CommandChildBands::add(const std::string& name) {
    bands_.push_back(std::unique_ptr<CommandChildBand>(new CommandChildBand(band_)));
    bands_.back()->name = name;
    band_.changed();
    return bands_.back().get();
}

CommandChildBand* CommandChildBands::operator()(const std::string& name) const {
    for (const auto& b : bands_)
        if (b->name == name) return b.get();
    return nullptr;
}

void CommandChildBands::set_childbandfont3d(int v) { childbandfont3d = v; band_.changed(); }
void CommandChildBands::set_backcolor(std::int64_t rgb) { backcolor = rgb; band_.changed(); }
void CommandChildBands::set_childbandbackgroundstyle(int v) { childbandbackgroundstyle = v; band_.changed(); }
void CommandChildBands::set_childbandcaptionalignment(int v) { childbandcaptionalignment = v; band_.changed(); }
void CommandChildBands::set_forecolor(std::int64_t rgb) { forecolor = rgb; band_.changed(); }
void CommandChildBands::set_toolforecolor(std::int64_t rgb) { toolforecolor = rgb; band_.changed(); }

// ---- bands -----------------------------------------------------------------------------
void CommandBand::changed() { bar_.rebuild(); }

void CommandBand::set_caption(const std::string& caption) {
    caption_ = caption;
    changed();
}

void CommandBand::set_dockingarea(int area) {
    dock_ = area >= 0 && area <= 5 ? static_cast<DockingArea>(area) : DockingArea::top;
    changed();
}

void CommandBand::set_flags(int flags) {
    flags_ = flags;
    changed();
}

CommandTool* CommandBand::tools(const std::string& name) const {
    for (CommandTool* t : tools_)
        if (t->name == name) return t;
    return nullptr;
}

bool CommandBand::close() {
    if (!visible_ || !(flags_ & (flag_close | flag_hide))) return false;
    visible_ = false;
    bar_.rebuild_quietly();
    if (bar_.on_bandclose) bar_.on_bandclose(*this);
    return true;
}

bool CommandBand::open() {
    if (visible_) return false;
    bool cancel = false;
    if (bar_.on_bandopen) bar_.on_bandopen(*this, cancel);
    if (cancel) return false;
    visible_ = true;
    bar_.rebuild();
    return true;
}

bool CommandBand::move_to(DockingArea area) {
    static const std::map<DockingArea, int> needs{{DockingArea::top, flag_docktop},
                                                  {DockingArea::bottom, flag_dockbottom},
                                                  {DockingArea::left, flag_dockleft},
                                                  {DockingArea::right, flag_dockright}};
    auto need = needs.find(area);
    if (need == needs.end() || !(flags_ & need->second) || area == dock_) return false;
    dock_ = area;
    bar_.rebuild_quietly();
    if (bar_.on_bandmove) bar_.on_bandmove(*this);
    if (bar_.on_banddock) bar_.on_banddock(*this);
    return true;
}

CommandBand* CommandBands::add(const std::string& name) {
    bar_.band_store_.push_back(std::unique_ptr<CommandBand>(new CommandBand(bar_)));
    bar_.band_store_.back()->name = name;
    bar_.rebuild();
    return bar_.band_store_.back().get();
}

CommandBand* CommandBands::operator()(const std::string& name) const {
    for (const auto& b : bar_.band_store_)
        if (b->name == name) return b.get();
    return nullptr;
}

std::size_t CommandBands::count() const { return bar_.band_store_.size(); }
CommandBand* CommandBands::at(std::size_t i) const {
    return i < bar_.band_store_.size() ? bar_.band_store_[i].get() : nullptr;
}

CommandTool* CommandTools::add(long id, const std::string& name) {
    bar_.tool_store_.push_back(std::unique_ptr<CommandTool>(new CommandTool(bar_)));
    CommandTool* t = bar_.tool_store_.back().get();
    t->id = id;
    t->name = name;
    return t;
}

CommandTool* CommandTools::operator()(const std::string& name) const {
    for (const auto& t : bar_.tool_store_)
        if (t->name == name) return t.get();
    return nullptr;
}

// Ids are the caller's: when two tools share one, the newer answers.
CommandTool* CommandTools::operator()(long id) const {
    for (auto it = bar_.tool_store_.rbegin(); it != bar_.tool_store_.rend(); ++it)
        if ((*it)->id == id) return it->get();
    return nullptr;
}

std::size_t CommandTools::count() const { return bar_.tool_store_.size(); }

// ---- the widget of one band ---------------------------------------------------------------
class CommandBar::BandView final : public QFrame {
public:
    BandView(CommandBar& bar, CommandBand& band, QWidget* parent) : QFrame(parent), bar_(bar), band_(band) {
        setObjectName(QString::fromUtf8(band.name.c_str()));
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        if (band.name == "StatusBar") build_status(box);
        else if (band.childbands().count() > 0) build_pages(box);
        else build_toolbar(box);
    }

    CommandBand& band() const { return band_; }
    QSize last_size;

    void caption_changed(CommandTool& tool) {
        for (auto& [t, w] : shown_)
            if (t == &tool && w) {
                if (auto* l = qobject_cast<QLabel*>(w.data())) l->setText(qstr(tool.caption()));
                else if (auto* b = qobject_cast<QToolButton*>(w.data())) b->setText(qstr(tool.caption()));
            }
    }

protected:
    void contextMenuEvent(QContextMenuEvent* e) override {
        struct Choice { const char* text; DockingArea area; int flag; };
        static const Choice choices[] = {{"停靠在顶部", DockingArea::top, CommandBand::flag_docktop},
                                         {"停靠在底部", DockingArea::bottom, CommandBand::flag_dockbottom},
                                         {"停靠在左侧", DockingArea::left, CommandBand::flag_dockleft},
                                         {"停靠在右侧", DockingArea::right, CommandBand::flag_dockright}};
        QMenu menu;
        for (const Choice& c : choices)
            if ((band_.flags() & c.flag) && band_.dockingarea() != c.area) {
                DockingArea area = c.area;
                CommandBand* band = &band_;
                menu.addAction(qstr(c.text), [this, band, area] { later([band, area] { band->move_to(area); }); });
            }
        // The last band shown is not offered for closing: a closed band comes
        // back only through the menu of a band still shown.
        const auto docked_shown = std::count_if(bar_.band_store_.begin(), bar_.band_store_.end(), [](const auto& b) {
            return b->visible() && b->dockingarea() != DockingArea::floating && b->dockingarea() != DockingArea::popup;
        });
        if ((band_.flags() & (CommandBand::flag_close | CommandBand::flag_hide)) && docked_shown > 1) {
            CommandBand* band = &band_;
            menu.addAction(qstr("关闭"), [this, band] { later([band] { band->close(); }); });
        }
        bool first_closed = true;
        for (const auto& b : bar_.band_store_) {
            if (b->visible()) continue;
            if (first_closed && !menu.isEmpty()) menu.addSeparator();
            first_closed = false;
            CommandBand* band = b.get();
            menu.addAction(qstr("显示" + band->caption()), [this, band] { later([band] { band->open(); }); });
        }
        if (!menu.isEmpty()) menu.exec(e->globalPos());
    }

private:
    // After the menu has gone: the change rebuilds the band views, this one
    // included.
    void later(std::function<void()> fn) {
        QPointer<QWidget> bar = bar_.widget();
        QMetaObject::invokeMethod(
            bar.data(), [bar, fn = std::move(fn)] { if (bar) fn(); }, Qt::QueuedConnection);
    }

    QToolButton* button(CommandTool& t, QWidget* parent) {
        auto* b = new ToolButton(bar_, t, parent);
        b->setObjectName(QString::fromUtf8(t.name.c_str()));
        b->setText(qstr(t.caption()));
        b->setIcon(t.picture().icon);
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(button_style(t));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        shown_.emplace_back(&t, b);
        return b;
    }

    void build_status(QVBoxLayout* box) {
        setFrameShape(QFrame::NoFrame);
        auto* row = new QWidget(this);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(2, 2, 2, 2);
        h->setSpacing(2);
        for (CommandTool* t : band_.tool_list()) {
            auto* l = new QLabel(qstr(t->caption()), row);
            l->setObjectName(QString::fromUtf8(t->name.c_str()));
            l->setFrameShape(QFrame::Panel);
            l->setFrameShadow(QFrame::Sunken);
            l->setContentsMargins(4, 1, 4, 1);
            h->addWidget(l, t == band_.tool_list().back() ? 1 : 0);
            shown_.emplace_back(t, l);
        }
        box->addWidget(row);
    }

    void build_toolbar(QVBoxLayout* box) {
        auto* bar = new QToolBar(this);
        const bool vertical = band_.dockingarea() == DockingArea::left || band_.dockingarea() == DockingArea::right;
        bar->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
        bar->setMovable(false);
        bar->setFloatable(false);
        for (CommandTool* t : band_.tool_list()) bar->addWidget(button(*t, bar));
        box->addWidget(bar);
    }

    void build_pages(QVBoxLayout* box) {
        CommandChildBands& cb = band_.childbands();
        auto* pages = new QToolBox(this);
        if (cb.backcolor >= 0) {
            QPalette p = pages->palette();
            p.setColor(QPalette::Window, qcolor(cb.backcolor));
            p.setColor(QPalette::Button, qcolor(cb.backcolor));
            p.setColor(QPalette::ButtonText, qcolor(cb.forecolor));
            pages->setPalette(p);
            pages->setAutoFillBackground(true);
        }
        for (std::size_t i = 0; i < cb.count(); ++i) {
            CommandChildBand* child = cb.at(i);
            auto* page = new QWidget(pages);
            page->setObjectName(QString::fromUtf8(child->name.c_str()));
            auto* v = new QVBoxLayout(page);
            v->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
            for (CommandTool* t : child->tools().items()) {
                QToolButton* b = button(*t, page);
                if (cb.backcolor >= 0) {
                    QPalette p = b->palette();
                    p.setColor(QPalette::ButtonText, qcolor(cb.toolforecolor));
                    b->setPalette(p);
                }
                v->addWidget(b);
            }
            pages->addItem(page, qstr(child->caption()));
        }
        box->addWidget(pages);
    }

    CommandBar& bar_;
    CommandBand& band_;
    std::vector<std::pair<CommandTool*, QPointer<QWidget>>> shown_;
};

// ---- the bar -----------------------------------------------------------------------------------
CommandBar::CommandBar(Container* parent, Rect r)
    : Control(parent, new QWidget(parent->area()), r), bands_(*this), tools_(*this) {
    widget()->setFocusPolicy(Qt::NoFocus);
    widget()->setAutoFillBackground(true);
    QPalette p = widget()->palette();
    p.setColor(QPalette::Window, qcolor(colours::button_face));
    widget()->setPalette(p);
    widget()->lower();
    layout();
}

CommandBar::~CommandBar() = default;

void CommandBar::resized(unsigned long sizetype, int newwidth, int newheight) {
    Control::resized(sizetype, newwidth, newheight);
    widget()->lower();
    layout();
}

void CommandBar::click(CommandTool& tool) {
    if (on_toolclick) on_toolclick(tool);
}

void CommandBar::dblclick(CommandTool& tool) {
    if (on_tooldblclick) on_tooldblclick(tool);
}

int CommandBar::insert(int, CommandTool* object) {
    if (object) inserted_.push_back(object);
    return 1;
}

void CommandBar::recalclayout() { rebuild(); }

void CommandBar::tool_caption_changed(CommandTool& tool) {
    for (BandView* v : views_) v->caption_changed(tool);
}

void CommandBar::rebuild() {
    if (building_) return;
    for (BandView* v : views_) {
        // Deleted later: the rebuild may come from a handler of one of its buttons.
        v->hide();
        v->deleteLater();
    }
    views_.clear();
    for (const auto& b : band_store_) {
        if (!b->visible_) continue;
        auto* v = new BandView(*this, *b, widget());
        views_.push_back(v);
        v->show();
    }
    layout();
}

void CommandBar::rebuild_quietly() {
    notify_ = false;
    rebuild();
    notify_ = true;
}

QWidget* CommandBand::widget() const {
    for (CommandBar::BandView* v : bar_.views_)
        if (&v->band() == this) return v;
    return nullptr;
}

void CommandBar::layout() {
    QRect free = widget()->rect();
    for (BandView* v : views_) {
        const DockingArea d = v->band().dockingarea();
        const QSize hint = v->sizeHint();
        if (d == DockingArea::top) {
            v->setGeometry(free.left(), free.top(), free.width(), hint.height());
            free.setTop(free.top() + hint.height());
        } else if (d == DockingArea::bottom) {
            v->setGeometry(free.left(), free.bottom() + 1 - hint.height(), free.width(), hint.height());
            free.setBottom(free.bottom() - hint.height());
        }
    }
    for (BandView* v : views_) {
        const DockingArea d = v->band().dockingarea();
        const int w = std::max(hint_width_floor, v->sizeHint().width());
        if (d == DockingArea::left) {
            v->setGeometry(free.left(), free.top(), w, free.height());
            free.setLeft(free.left() + w);
        } else if (d == DockingArea::right) {
            v->setGeometry(free.right() + 1 - w, free.top(), w, free.height());
            free.setRight(free.right() - w);
        } else if (d == DockingArea::floating || d == DockingArea::popup) {
            v->hide();
        }
    }
    for (BandView* v : views_) {
        if (v->size() == v->last_size) continue;
        v->last_size = v->size();
        if (!on_bandresize) continue;
        std::vector<long> widths, heights;
        for (CommandTool* t : v->band().tool_list()) {
            if (auto* w = v->findChild<QWidget*>(QString::fromUtf8(t->name.c_str()))) {
                widths.push_back(w->width() * twips_per_px);
                heights.push_back(w->height() * twips_per_px);
            }
        }
        on_bandresize(v->band(), widths, heights, v->width() * twips_per_px, v->height() * twips_per_px);
    }
    const long l = free.left() * twips_per_px, t = free.top() * twips_per_px;
    const long w = std::max(0, free.width()) * twips_per_px, h = std::max(0, free.height()) * twips_per_px;
    const bool moved = l != area_left_ || t != area_top_ || w != area_width_ || h != area_height_;
    area_left_ = l;
    area_top_ = t;
    area_width_ = w;
    area_height_ = h;
    if (moved && !building_ && notify_ && on_resize) on_resize(l, t, w, h);
}

// ---- loading ---------------------------------------------------------------------------------
int CommandBar::load(const std::string& bandname, const std::string& file, long) {
    const std::string native = native_path(file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(native, ec)) return -1;
    std::ifstream in(native, std::ios::binary);
    if (!in) return -1;
    std::string text;
    char piece[8192];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) text.append(piece, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return -1;
    return load_text(bandname, text);
}

int CommandBar::load_text(const std::string& bandname, const std::string& text) {
    CommandBarLayout parsed;
    constexpr int default_flags = CommandBand::flag_docktop | CommandBand::flag_dockbottom |
                                  CommandBand::flag_dockleft | CommandBand::flag_dockright | CommandBand::flag_close;
    if (!parse_commandbar_layout(text, bandname, default_flags, parsed)) return -1;
    building_ = true;
    if (bandname.empty()) {
        band_store_.clear();
        tool_store_.clear();
    } else {
        band_store_.erase(std::remove_if(band_store_.begin(), band_store_.end(),
                                         [&](const auto& b) { return b->name == bandname; }),
                          band_store_.end());
    }
    for (const CommandBarLayout::Tool& pt : parsed.tools) {
        CommandTool* t = tools_(pt.name);
        if (!t) t = tools_.add(pt.id, pt.name);
        t->caption_ = pt.caption;
        if (!pt.picture.empty()) {
            t->pictures_[0].file = pt.picture;
            t->pictures_[0].icon = QIcon(QString::fromStdString(native_path(pt.picture)));
        }
    }
    for (const CommandBarLayout::Band& pb : parsed.bands) {
        CommandBand* b = bands_.add(pb.name);
        b->caption_ = pb.caption;
        b->dock_ = pb.dock;
        b->flags_ = pb.flags;
        for (const std::string& tn : pb.tools) b->tools_.push_back(tools_(tn));
    }
    building_ = false;
    rebuild();
    return 1;
}

// ---- the picture loader --------------------------------------------------------------------------
PictureLoader::PictureLoader(Container* parent, Rect r) : Control(parent, new QWidget(parent->area()), r) {
    widget()->setFocusPolicy(Qt::NoFocus);
    set_visible(false);
}

ToolPicture PictureLoader::getpict(const std::string& file) const {
    ToolPicture p;
    p.file = file;
    if (file.empty()) return p;
    const std::string native = native_path(file);
    std::error_code ec;
    if (std::filesystem::is_regular_file(native, ec)) {
        QIcon icon(QString::fromStdString(native));
        if (!icon.pixmap(32, 32).isNull()) p.icon = icon;
    }
    return p;
}

} // namespace rt
