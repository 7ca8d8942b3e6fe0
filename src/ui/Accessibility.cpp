#include "ui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

namespace zz::ui {

namespace {

// A list named by what it is and what it shows: "Ring 1: Gelb". Without an
// accessible name (uic sets it last) it is named by its entry, as Qt does.
class ListAccessible final : public QAccessibleWidget
{
public:
    explicit ListAccessible(QComboBox *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        QString value = box()->currentText();
        switch (t) {
        case QAccessible::Name: {
            const QString name = box()->accessibleName();
            if (name.isEmpty() || value.isEmpty())
                return name.isEmpty() ? value : name;
            return name + QStringLiteral(": ") + value;
        }
        case QAccessible::Value:
            return value;
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->isVisible() && box()->view()->isVisible();
        return s;
    }

    int childCount() const override { return 1; }

    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    // Orca 43 speaks the caption of a labelled list instead of its name, and
    // so never the entry; the name says what the caption says.
    QList<std::pair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto all = QAccessibleWidget::relations(match);
        if (!box()->accessibleName().isEmpty())
            all.removeIf([](const auto &r) { return r.second.testFlag(QAccessible::Label); });
        return all;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(object()); }
};

constexpr char kLinkProperty[] = "zzKeyboardLink";
constexpr char kAnnouncerName[] = "zzAnnouncer";

// Follows a keyboard link on Enter and Space.
class LinkFollower final : public QObject
{
public:
    LinkFollower(QLabel &label, std::function<void()> follow)
        : QObject(&label), m_follow(std::move(follow))
    {
        label.installEventFilter(this);
    }

    void follow() const { m_follow(); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            m_follow();
            return true;
        default:
            return false;
        }
    }

private:
    std::function<void()> m_follow;
};

class LinkAccessible final : public QAccessibleWidget
{
public:
    explicit LinkAccessible(QLabel *label)
        : QAccessibleWidget(label, QAccessible::Link)
    {
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    QString text(QAccessible::Text t) const override
    {
        const auto *label = static_cast<const QLabel *>(object());
        if (t == QAccessible::Name && label->accessibleName().isEmpty())
            return label->text();
        if (t == QAccessible::Value)
            return label->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }

    void doAction(const QString &action) override
    {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (const auto *follower = object()->findChild<LinkFollower *>(QString(), Qt::FindDirectChildrenOnly))
            follower->follow();
    }
};

QAccessibleInterface *programInterface(const QString &key, QObject *object)
{
    if (key == QLatin1String("RingComboBox") || key == QLatin1String("QComboBox")) {
        auto *box = static_cast<QComboBox *>(object);
        return box->isEditable() ? nullptr : new ListAccessible(box);
    }
    if (key == QLatin1String("QLabel")) {
        auto *label = static_cast<QLabel *>(object);
        if (label->property(kLinkProperty).toBool())
            return new LinkAccessible(label);
        return nullptr;
    }
    // Exactly a frame: lines, bevels and panels of the designs. Without
    // controls inside they are decoration, read as empty "Rahmen" lines
    // otherwise; with controls they group them.
    if (key == QLatin1String("QFrame") && object->metaObject() == &QFrame::staticMetaObject) {
        auto *frame = static_cast<QFrame *>(object);
        const bool empty = frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).isEmpty();
        return new QAccessibleWidget(frame, empty ? QAccessible::Whitespace : QAccessible::Grouping);
    }
    if (key == QLatin1String("QWidget") && object->objectName() == QLatin1String(kAnnouncerName))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    // A plain top-level widget is read as a filler; the help window is one.
    if (key == QLatin1String("zz::help::HelpWindow"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&programInterface);
}

QString spokenResults(std::initializer_list<std::pair<const QLabel *, const QLabel *>> lines)
{
    QString spoken;
    for (const auto &[caption, result] : lines) {
        if (result->isHidden() || result->text().isEmpty())
            continue;
        QString line = result->text();
        if (caption && !caption->text().isEmpty())
            line = QString(caption->text()).remove(QLatin1Char('&')) + QLatin1Char(' ') + line;
        spoken = joinSpoken(spoken, line);
    }
    return spoken;
}

void describeResults(std::initializer_list<QWidget *> controls, const QString &results)
{
    for (QWidget *control : controls)
        control->setAccessibleDescription(results);
}

void announce(QWidget &window, const QString &text)
{
    if (!window.isVisible() || text.isEmpty())
        return;
    auto *announcer = window.findChild<QWidget *>(QLatin1String(kAnnouncerName),
                                                 Qt::FindDirectChildrenOnly);
    if (!announcer) {
        announcer = new QWidget(&window);
        announcer->setObjectName(QLatin1String(kAnnouncerName));
        announcer->setGeometry(0, 0, 0, 0);
        announcer->setAttribute(Qt::WA_TransparentForMouseEvents);
        announcer->hide();
    }
    announcer->setAccessibleName(text);
    // Appears and goes at once: the screen reader reads it from the event,
    // and a window shown later brings no old news with it.
    announcer->show();
    announcer->hide();
}

QString spokenChange(const QWidget *control)
{
    if (const auto *box = qobject_cast<const QComboBox *>(control))
        return box->currentText();
    if (const auto *check = qobject_cast<const QCheckBox *>(control))
        return check->accessibleName() + (check->isChecked() ? QStringLiteral(": ja") : QStringLiteral(": nein"));
    return {};
}

QString joinSpoken(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    const QChar last = first.back();
    const bool closed = last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?');
    return first + (closed ? QStringLiteral(" ") : QStringLiteral(". ")) + second;
}

void makeKeyboardLink(QLabel &label, std::function<void()> follow)
{
    label.setProperty(kLinkProperty, true);
    // Qt keeps the interface it made first, maybe while the form was set up.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(&label);
    if (made && made->role() != QAccessible::Link)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    label.setFocusPolicy(Qt::TabFocus);
    new LinkFollower(label, std::move(follow));
}

} // namespace zz::ui
