#include "app/font_list.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWidget>

namespace pix {

namespace {

// Draws the family's name and, after it, the sample in the family's face.
class FontSampleDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString name = opt.text;
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                            : QPalette::Text));
        const QRect r = opt.rect.adjusted(4, 0, -4, 0);
        painter->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, name);
        QFont face(name);
        face.setPointSizeF(opt.font.pointSizeF());
        painter->setFont(face);
        painter->drawText(r, Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("AaBb"));
        painter->restore();
    }
};

}  // namespace

FontList::FontList(QWidget* parent) : QComboBox(parent) {
    QStringList families;
    for (const QString& f : QFontDatabase::families())
        if (QFontDatabase::isScalable(f) && !QFontDatabase::isPrivateFamily(f)) families << f;
    // The common Windows names that profiles carry ("Arial" is the engine's
    // default) are listed too when the system maps them to an installed
    // metric-compatible face, so that loading and saving such a profile keeps
    // its font.
    for (const char* alias : {"Arial", "Times New Roman", "Courier New"}) {
        const QString name = QString::fromLatin1(alias);
        if (families.contains(name, Qt::CaseInsensitive)) continue;
        const QString resolved = QFontInfo(QFont(name)).family();
        if (resolved.compare(name, Qt::CaseInsensitive) != 0 && resolved.startsWith(QStringLiteral("Liberation")))
            families << name;
    }
    families.sort(Qt::CaseInsensitive);
    addItems(families);
    setItemDelegate(new FontSampleDelegate(this));
    setCurrentIndex(-1);
}

std::vector<std::string> FontList::names() const {
    std::vector<std::string> out;
    out.reserve(size_t(count()));
    for (int i = 0; i < count(); ++i) out.push_back(itemText(i).toStdString());
    return out;
}

void FontList::selectName(const QString& name) {
    const int i = findText(name, Qt::MatchFixedString);
    if (i >= 0) setCurrentIndex(i);
}

}  // namespace pix
