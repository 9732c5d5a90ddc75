#include "app/accessible_board.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>
#include <QWindow>

#include "app/keyboard_cursor.h"
#include "drawing/qt_surface.h"
#include "rules/game_state.h"

namespace korvalo {

namespace {

// The game's own names of the colours; 空 an empty square.
const char* const colourNames[] = {"空", "黒", "青", "白", "赤"};

QString colourName(int colour)
{
    return QString::fromUtf8(colourNames[colour >= 1 && colour <= 4 ? colour : 0]);
}

QString squareName(int column, int row)
{
    return QChar(u'a' + column - 1) + QString::number(row);
}

// The boards by their drawing areas, for the interface factory.
QHash<const QObject*, AccessibleBoard*>& boards()
{
    static QHash<const QObject*, AccessibleBoard*> byArea;
    return byArea;
}

// A rectangle of the drawing area, in twips, on the screen.
QRect onScreen(const QWidget& area, double left, double top, double width, double height)
{
    const QPoint corner = area.mapToGlobal(QPoint(0, 0));
    return QRect(corner + QPoint(QtSurface::toPixels(left), QtSurface::toPixels(top)),
                 QSize(QtSurface::toPixels(width), QtSurface::toPixels(height)));
}

// What every part of the board has alike: no object of its own, and no
// text set from outside.
class Part : public QAccessibleInterface {
public:
    explicit Part(AccessibleBoard& board) : board_(board) {}
    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return board_.area().window()->windowHandle(); }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    AccessibleBoard& board_;
};

// A part with nothing inside it: a cell, the turn line.
class Leaf : public Part {
public:
    using Part::Part;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

class Table;

class Cell : public Leaf, public QAccessibleTableCellInterface {
public:
    Cell(AccessibleBoard& board, Table& table, int column, int row)
        : Leaf(board), table_(table), column_(column), row_(row)
    {
    }
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? board_.cellName(column_, row_) : QString();
    }
    QRect rect() const override
    {
        return onScreen(board_.area(), boardLeft + cellWidth * column_, boardTop + cellHeight * row_, cellWidth,
                        cellHeight);
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = board_.area().hasFocus() && board_.cursor().column() == column_ && board_.cursor().row() == row_;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }
    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_ - 1; }
    int rowIndex() const override { return row_ - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

private:
    Table& table_;
    int column_, row_;
};

// The 81 squares, row by row from a1; the cells live as long as the table.
class Table : public Part, public QAccessibleTableInterface {
public:
    explicit Table(AccessibleBoard& board) : Part(board)
    {
        for (int i = 0; i < 81; ++i) {
            cells_[i] = new Cell(board, *this, i % 9 + 1, i / 9 + 1);
            ids_[i] = QAccessible::registerAccessibleInterface(cells_[i]);
        }
    }
    ~Table() override
    {
        for (QAccessible::Id id : ids_)
            if (QAccessible::accessibleInterface(id))
                QAccessible::deleteAccessibleInterface(id);
    }
    Cell* cell(int column, int row) const { return cells_[(row - 1) * 9 + column - 1]; }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = board_.area().mapFromGlobal(QPoint(x, y)) * twipsPerPixel;
        const int column = (at.x() - boardLeft) / cellWidth, row = (at.y() - boardTop) / cellHeight;
        return at.x() >= boardLeft && at.y() >= boardTop && column >= 1 && column <= 9 && row >= 1 && row <= 9
                   ? cell(column, row)
                   : nullptr;
    }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override
    {
        return index >= 0 && index < 81 ? cells_[index] : nullptr;
    }
    int childCount() const override { return 81; }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < 81; ++i)
            if (cells_[i] == child)
                return i;
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        return board_.area().hasFocus() ? cell(board_.cursor().column(), board_.cursor().row()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QStringLiteral("盤");
        return t == QAccessible::Description ? board_.description() : QString();
    }
    QRect rect() const override
    {
        return onScreen(board_.area(), boardLeft + cellWidth, boardTop + cellHeight, 9 * cellWidth, 9 * cellHeight);
    }
    QAccessible::Role role() const override { return QAccessible::Table; }
    QAccessible::State state() const override { return {}; }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableInterface ? static_cast<QAccessibleTableInterface*>(this) : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        return row >= 0 && row < 9 && column >= 0 && column < 9 ? cell(column + 1, row + 1) : nullptr;
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override { return QString(QChar(u'a' + column)); }
    QString rowDescription(int row) const override { return QString::number(row + 1); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return 9; }
    int rowCount() const override { return 9; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    std::array<Cell*, 81> cells_{};
    std::array<QAccessible::Id, 81> ids_{};
};

QAccessibleInterface* Cell::parent() const { return &table_; }
QAccessibleInterface* Cell::table() const { return &table_; }

// The line beside the board that says whose turn it is.
class TurnLine : public Leaf {
public:
    using Leaf::Leaf;
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? board_.turnLine() : QString();
    }
    QRect rect() const override { return onScreen(board_.area(), boardLeft + cellWidth * 10.5, boardTop + cellHeight * 5, 2200, 300); }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }
};

}  // namespace

// The drawing area: the table of squares and the turn line.
class AccessibleBoard::AreaInterface : public QAccessibleWidget {
public:
    explicit AreaInterface(AccessibleBoard& board)
        : QAccessibleWidget(&board.area(), QAccessible::Client), board_(&board), table_(new Table(board)),
          turn_(new TurnLine(board))
    {
        tableId_ = QAccessible::registerAccessibleInterface(table_);
        turnId_ = QAccessible::registerAccessibleInterface(turn_);
        board.areaInterface = this;
    }
    ~AreaInterface() override
    {
        if (board_)
            board_->areaInterface = nullptr;
        for (QAccessible::Id id : {tableId_, turnId_})
            if (QAccessible::accessibleInterface(id))
                QAccessible::deleteAccessibleInterface(id);
    }
    void leave() { board_ = nullptr; }
    Table* table() const { return table_; }
    QAccessibleInterface* turnLine() const { return turn_; }

    int childCount() const override { return 2; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? static_cast<QAccessibleInterface*>(table_) : index == 1 ? turn_ : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child == table_ ? 0 : child == turn_ ? 1 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (table_->rect().contains(x, y))
            return table_;
        return turn_->rect().contains(x, y) ? turn_ : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        QAccessibleInterface* cell = table_->focusChild();
        return cell ? cell : QAccessibleWidget::focusChild();
    }

private:
    AccessibleBoard* board_;
    Table* table_;
    TurnLine* turn_;
    QAccessible::Id tableId_ = 0, turnId_ = 0;
};

namespace {

QAccessibleInterface* TurnLine::parent() const { return board_.areaInterface; }
QAccessibleInterface* Table::parent() const { return board_.areaInterface; }

QAccessibleInterface* boardFactory(const QString&, QObject* object)
{
    AccessibleBoard* board = boards().value(object);
    return board ? new AccessibleBoard::AreaInterface(*board) : nullptr;
}

void tell(QAccessibleInterface* part, QAccessible::Event what)
{
    QAccessibleEvent event(part, what);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

AccessibleBoard::AccessibleBoard(QWidget& area, const GameState& state, const KeyboardCursor& cursor)
    : area_(area), state_(state), cursor_(cursor), shown_(take())
{
    static const bool installed = [] {
        QAccessible::installFactory(boardFactory);
        return true;
    }();
    (void)installed;
    boards().insert(&area_, this);
}

AccessibleBoard::~AccessibleBoard()
{
    boards().remove(&area_);
    if (areaInterface) {
        AreaInterface* area = areaInterface;
        area->leave();
        areaInterface = nullptr;
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(area));
    }
}

AccessibleBoard::Shown AccessibleBoard::take() const
{
    Shown now;
    for (int row = 1; row <= 9; ++row)
        for (int column = 1; column <= 9; ++column) {
            const int content = state_.board[column][row];
            now.squares[(row - 1) * 9 + column - 1] = content >= 1 && content <= 4 ? content : 0;
        }
    now.turn = state_.turnColour >= 1 && state_.turnColour <= 4 ? state_.turnColour : 0;
    // The last move is told once its stone stands (not while its flips are
    // still being drawn).
    const int number = state_.moveNumber;
    if (number >= 1 && number <= maxMoves) {
        const int column = state_.moveColumn[number], row = state_.moveRow[number];
        if (column >= 1 && column <= 9 && row >= 1 && row <= 9 && now.squares[(row - 1) * 9 + column - 1] != 0) {
            now.lastSquare = (row - 1) * 9 + column - 1;
            now.lastColour = now.squares[now.lastSquare];
        }
    }
    return now;
}

void AccessibleBoard::refresh()
{
    const Shown before = shown_;
    shown_ = take();
    // Nobody has asked for the board: there is nobody to tell.
    if (!areaInterface || !QAccessible::isActive())
        return;
    Table* table = areaInterface->table();
    for (int i = 0; i < 81; ++i)
        if (shown_.squares[i] != before.squares[i])
            tell(table->child(i), QAccessible::NameChanged);
    if (shown_.turn != before.turn)
        tell(areaInterface->turnLine(), QAccessible::NameChanged);
    if (shown_.turn != before.turn || shown_.lastSquare != before.lastSquare || shown_.lastColour != before.lastColour)
        tell(table, QAccessible::DescriptionChanged);
}

void AccessibleBoard::cursorMoved()
{
    if (areaInterface && QAccessible::isActive() && area_.hasFocus())
        tell(areaInterface->table()->cell(cursor_.column(), cursor_.row()), QAccessible::Focus);
}

QString AccessibleBoard::cellName(int column, int row) const
{
    return squareName(column, row) + QLatin1Char(' ') + colourName(shown_.squares[(row - 1) * 9 + column - 1]);
}

QString AccessibleBoard::turnLine() const
{
    return shown_.turn ? colourName(shown_.turn) + QStringLiteral(" の番です") : QString();
}

QString AccessibleBoard::description() const
{
    QString told;
    if (shown_.lastSquare >= 0)
        told = colourName(shown_.lastColour) + QStringLiteral(" が ") +
               squareName(shown_.lastSquare % 9 + 1, shown_.lastSquare / 9 + 1) + QStringLiteral(" に打ちました。");
    return told + (shown_.turn ? colourName(shown_.turn) + QStringLiteral(" の番です") : QString());
}

}  // namespace korvalo
