#pragma once

#include "viewer/LineFinder.h"

#include <QAbstractScrollArea>
#include <memory>
#include <vector>

class LineStore;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTextLayout;
class QToolButton;

// A read-only text view over a LineStore: only the rows on screen are laid
// out and painted, so a text of any number of lines shows and scrolls at once,
// wrapped or not. The rows can be selected and copied, and looked through
// with Find (Ctrl+F) on a worker thread.
class LineView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit LineView(QWidget* parent = nullptr);
    ~LineView() override;

    // Shows the rows of store from the top.
    void SetStore(std::shared_ptr<LineStore> store);
    [[nodiscard]] const std::shared_ptr<LineStore>& Store() const { return m_store; }
    // Lines at the end of the view's own text (a new one when a file is shown).
    void AppendLine(const QString& line);
    void AppendText(const QString& text);
    void SetPlainText(const QString& text);
    void Clear();
    // The whole text, lines joined by '\n'.
    [[nodiscard]] QString PlainText() const;
    [[nodiscard]] bool IsEmpty() const;
    [[nodiscard]] qsizetype RowCount() const;

    // Where a row's character begins, from the row's start, as the view lays it out.
    [[nodiscard]] qreal ColumnX(qsizetype row, qsizetype column) const;
    [[nodiscard]] qreal TabStopDistance() const;

    // Wrapping lays out only the rows on screen, whatever the count of lines.
    void SetWordWrap(bool on);
    [[nodiscard]] bool WordWrap() const { return m_wrap; }

    // The most rows Copy puts on the clipboard at once.
    static constexpr qsizetype MaxCopiedRows = 1000000;

    void SelectAll();
    [[nodiscard]] QString SelectedText() const;
    void Copy() const;

    // Shows the last rows.
    void ScrollToEnd();
    // The row at the top of the view.
    [[nodiscard]] qsizetype TopRow() const;
    // The rows laid out for the view as it stands.
    [[nodiscard]] qsizetype FirstShownRow();
    [[nodiscard]] qsizetype LastShownRow();

    // Opens the find bar with its text selected.
    void ShowFind();
    // Looks for the find bar's text after the hit shown (before it going backward).
    void FindNext(bool backward = false);
    [[nodiscard]] QWidget* FindBar() const { return m_findBar; }
    [[nodiscard]] const FindHit& CurrentHit() const { return m_hit; }
    [[nodiscard]] bool Finding() const { return m_finder.Running(); }

  signals:
    // Rows came or went.
    void TextChanged();
    // A search is done.
    void FindDone(qsizetype hits);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    struct TextPos {
        qsizetype Row = 0;
        qsizetype Column = 0;
        auto operator<=>(const TextPos&) const = default;
    };
    struct Shown {
        qsizetype Row;
        qreal Top;
        qreal Height;
        std::unique_ptr<QTextLayout> Layout;
    };

    void StoreGrown();
    void TakeGrowth();
    void UpdateScrollBars();
    [[nodiscard]] int VisibleRows() const;
    // The row laid out for the view; whole also when the view shows only its start.
    [[nodiscard]] std::unique_ptr<QTextLayout> LayOutRow(qsizetype row, qreal& height,
                                                         bool whole = false) const;
    void LayOut();
    [[nodiscard]] TextPos PosAt(const QPoint& point);
    void ScrollToHit();
    void PlaceFindBar();
    void FindFinished(qsizetype hits);
    void SetFindCaptions();
    void ResetFind();
    [[nodiscard]] bool AtEnd() const;

    std::shared_ptr<LineStore> m_store;
    bool m_ownText = false;
    bool m_wrap = false;
    qreal m_widestSeen = 0;
    std::vector<Shown> m_shown;
    bool m_shownValid = false;
    bool m_layoutsKept = false;
    bool m_keptUtf8 = true;
    bool m_growthPending = false;
    bool m_followGrowth = false;

    TextPos m_anchor;
    TextPos m_caret;
    bool m_selecting = false;

    LineFinder m_finder;
    FindHit m_hit;
    // The count of the last search that ran to its end; -1 when none did.
    qsizetype m_lastHits = -1;
    QWidget* m_findBar;
    QLineEdit* m_findText;
    QCheckBox* m_findCase;
    QToolButton* m_findNext;
    QToolButton* m_findPrevious;
    QToolButton* m_findClose;
    QLabel* m_findResult;
};
