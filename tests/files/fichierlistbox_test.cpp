#include "files/fichierlistbox.h"
#include "files/keyorder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TFichierRef Item(const char *path)
{
    return std::make_shared<TAbstractListFichier>(QString::fromUtf8(path));
}

// A list that records the events it fires.
struct RecordedList {
    TCustomFichierListBox list;
    std::vector<TFichierRef> actives;
    std::vector<std::pair<int, int>> counts;

    RecordedList()
    {
        list.OnActiveChange = [this](const TFichierRef &item) { actives.push_back(item); };
        list.OnCountsChange = [this](int selected, int count) { counts.emplace_back(selected, count); };
    }
    QStringList Paths() const
    {
        QStringList paths;
        for (int row = 0; row < list.Count(); ++row)
            paths << list.Item(row)->path;
        return paths;
    }
    QString FocusedPath() const
    {
        return list.FocusedRow() < 0 ? QString() : list.Item(list.FocusedRow())->path;
    }
    QStringList SelectedPaths() const
    {
        QStringList paths;
        for (const TFichierRef &item : list.SelectedItems())
            paths << item->path;
        return paths;
    }
};

TEST(FichierListBox, FirstRowIsFocusedSelectedAndActiveWhateverSelectSays)
{
    RecordedList r;
    const TFichierRef item = Item("/v/b.avi");
    EXPECT_EQ(r.list.AddItem(item, false), 0);
    EXPECT_EQ(r.list.FocusedRow(), 0);
    EXPECT_TRUE(r.list.Selected(0));
    EXPECT_EQ(r.list.ActiveItem(), item);
    ASSERT_EQ(r.actives.size(), 1u);
    EXPECT_EQ(r.actives[0], item);
    EXPECT_EQ(r.list.Hint(), QStringLiteral("One file selected among 1"));
    EXPECT_EQ(r.counts.back(), std::make_pair(1, 1));

    // Later rows follow select, and the focus stays on its item.
    r.list.AddItem(Item("/v/a.avi"), false);
    r.list.AddItem(Item("/v/c.avi"), true);
    EXPECT_EQ(r.Paths(), (QStringList{"/v/a.avi", "/v/b.avi", "/v/c.avi"}));
    EXPECT_EQ(r.FocusedPath(), QStringLiteral("/v/b.avi"));
    EXPECT_EQ(r.SelectedPaths(), (QStringList{"/v/b.avi", "/v/c.avi"}));
    EXPECT_EQ(r.list.Hint(), QStringLiteral("2 files selected among 3"));
    EXPECT_EQ(r.actives.size(), 1u);
    EXPECT_EQ(r.list.Keys(), (QStringList{"a.avi/v/a.avi", "b.avi/v/b.avi", "c.avi/v/c.avi"}));
}

TEST(FichierListBox, TheSamePathAgainReplacesItsRow)
{
    RecordedList r;
    for (const char *path : {"/v/a.avi", "/v/b.avi", "/v/c.avi"})
        r.list.AddItem(Item(path), false);
    r.list.SelectIndex(2);
    const TFichierRef again = Item("/v/b.avi");
    EXPECT_EQ(r.list.AddItem(again, false), 1);
    EXPECT_EQ(r.list.Count(), 3);
    EXPECT_EQ(r.list.Item(1), again);
    EXPECT_EQ(r.list.Keys().size(), 3);
    EXPECT_EQ(r.FocusedPath(), QStringLiteral("/v/c.avi"));

    // Paths that differ in case only are two files, each with its row and key.
    r.list.AddItem(Item("/v/B.avi"), false);
    EXPECT_EQ(r.list.Count(), 4);
    EXPECT_EQ(r.list.Keys().size(), 4);
    EXPECT_GE(r.list.IndexOfPath(QStringLiteral("/v/B.avi")), 0);
    EXPECT_GE(r.list.IndexOfPath(QStringLiteral("/v/b.avi")), 0);
    EXPECT_EQ(r.list.IndexOfPath(QStringLiteral("/v/x.avi")), -1);
}

TEST(FichierListBox, FocusFollowsInsertionsAndReplacements)
{
    // rows, focused row, path added, focused row afterwards
    const struct {
        std::vector<const char *> rows;
        int focused;
        const char *added;
        int expected;
    } cases[] = {
        {{"/v/b", "/v/d"}, 1, "/v/a", 2},  // inserted above: the focus moves down with its row
        {{"/v/b", "/v/d"}, 0, "/v/c", 0},  // inserted below: unchanged
        {{"/v/b", "/v/d"}, -1, "/v/a", -1},
        {{"/v/a", "/v/b", "/v/c"}, 1, "/v/b", 0},  // the focused file again: the row above
        {{"/v/a", "/v/b", "/v/c"}, 2, "/v/b", 2},
        {{"/v/a", "/v/b"}, 0, "/v/a", 1},   // at the top the count stays, the new row goes above
    };
    for (const auto &c : cases) {
        TCustomFichierListBox list;
        for (const char *path : c.rows)
            list.AddItem(Item(path), false);
        list.SetFocusedRow(c.focused);
        list.AddItem(Item(c.added), false);
        EXPECT_EQ(list.FocusedRow(), c.expected) << c.added << " with focus " << c.focused;
    }
}

TEST(FichierListBox, ResortKeepsSelectionAndFocus)
{
    RecordedList r;
    // By name: a, m, z; by path: /a/z, /m/m, /z/a.
    for (const char *path : {"/z/a.avi", "/a/z.avi", "/m/m.avi"})
        r.list.AddItem(Item(path), false);
    r.list.SelectIndex(2);  // /a/z.avi
    r.list.SetSelected(0, true);  // /z/a.avi
    r.counts.clear();

    r.list.Resort(SortPath());
    EXPECT_EQ(r.list.SortIndex(), SortPath());
    EXPECT_EQ(r.Paths(), (QStringList{"/a/z.avi", "/m/m.avi", "/z/a.avi"}));
    EXPECT_EQ(r.FocusedPath(), QStringLiteral("/a/z.avi"));
    EXPECT_EQ(r.SelectedPaths(), (QStringList{"/a/z.avi", "/z/a.avi"}));
    EXPECT_EQ(r.counts.back(), std::make_pair(2, 3));
    EXPECT_EQ(r.list.Keys(), (QStringList{"/a/z.avi", "/m/m.avi", "/z/a.avi"}));

    // A sort index the items do not know gives empty keys: the paths decide.
    r.list.Resort(SortDatecode());
    EXPECT_EQ(r.Paths(), (QStringList{"/a/z.avi", "/m/m.avi", "/z/a.avi"}));

    RecordedList empty;
    empty.list.Resort(SortTaille());
    EXPECT_EQ(empty.list.SortIndex(), SortTaille());
    EXPECT_TRUE(empty.counts.empty());
    EXPECT_TRUE(empty.actives.empty());
}

TEST(FichierListBox, RemovingSelectedRowsMovesTheFocus)
{
    const struct {
        std::vector<int> selected;
        int focused;
        int expectedFocus;  // row of what remains
        int remaining;
    } cases[] = {
        {{0, 1}, 1, 0, 3},  // from row 0: row 0 of what remains
        {{2, 3}, 3, 1, 3},  // the row above the first removed one
        {{1, 4}, 4, 0, 3},
        {{0, 1, 2, 3, 4}, 0, -1, 0},
    };
    for (const auto &c : cases) {
        RecordedList r;
        for (const char *path : {"/v/a", "/v/b", "/v/c", "/v/d", "/v/e"})
            r.list.AddItem(Item(path), false);
        r.list.SelectAll(false);
        r.list.SetSelected(0, false);
        for (int row : c.selected)
            r.list.SetSelected(row, true);
        r.list.SelectIndex(c.focused);
        r.actives.clear();
        r.list.RemoveSelected();
        EXPECT_EQ(r.list.Count(), c.remaining);
        EXPECT_EQ(r.list.Keys().size(), c.remaining);
        EXPECT_EQ(r.list.FocusedRow(), c.expectedFocus) << c.focused;
        if (c.remaining == 0) {
            ASSERT_EQ(r.actives.size(), 1u);
            EXPECT_EQ(r.actives[0], nullptr);
            EXPECT_EQ(r.counts.back(), std::make_pair(0, 0));
            EXPECT_EQ(r.list.Hint(), QStringLiteral("No file selected among 0"));
        } else {
            EXPECT_EQ(r.list.ActiveItem(), r.list.Item(c.expectedFocus));
        }
    }
}

TEST(FichierListBox, RemoveReplaceAndEmpty)
{
    RecordedList r;
    for (const char *path : {"/v/a.avi", "/v/b.avi", "/v/c.avi"})
        r.list.AddItem(Item(path), false);
    const TFichierRef b = r.list.Item(1);
    r.list.SelectIndex(1);
    r.actives.clear();

    // A renamed item moves to the place of its new name and stays active.
    b->SetPath(QStringLiteral("/v/z.avi"));
    r.list.ReplaceItem(b.get(), b);
    EXPECT_EQ(r.Paths(), (QStringList{"/v/a.avi", "/v/c.avi", "/v/z.avi"}));
    EXPECT_EQ(r.list.Item(2), b);
    EXPECT_TRUE(r.list.Selected(2));
    EXPECT_EQ(r.FocusedPath(), QStringLiteral("/v/z.avi"));

    // A replaced file keeps its place; the list lets go of the old item.
    std::weak_ptr<TAbstractListFichier> old = r.list.Item(0);
    const TFichierRef fresh = Item("/v/a.avi");
    r.list.ReplaceItem(r.list.Item(0).get(), fresh);
    EXPECT_EQ(r.list.Item(0), fresh);
    EXPECT_TRUE(old.expired());

    EXPECT_EQ(r.list.ReplaceObject(fresh.get(), Item("/other")), 0);
    EXPECT_EQ(r.list.Text(0), QStringLiteral("a.avi"));

    r.list.RemoveItem(r.list.Item(1).get());
    EXPECT_EQ(r.Paths(), (QStringList{"/other", "/v/z.avi"}));

    r.list.SelectIndex(1);
    r.actives.clear();
    r.counts.clear();
    r.list.Empty();
    EXPECT_EQ(r.list.Count(), 0);
    ASSERT_EQ(r.actives.size(), 1u);
    EXPECT_EQ(r.actives[0], nullptr);
    EXPECT_EQ(r.counts.back(), std::make_pair(0, 0));
}

TEST(FichierListBox, HintsAndSelectAll)
{
    RecordedList r;
    for (const char *path : {"/v/a", "/v/b", "/v/c", "/v/d", "/v/e"})
        r.list.AddItem(Item(path), false);
    r.list.SelectAll(true);
    EXPECT_EQ(r.list.SelectedCount(), 5);
    EXPECT_EQ(r.counts.back(), std::make_pair(5, 5));
    // The hint is rebuilt by the count refresh only.
    EXPECT_EQ(r.list.Hint(), QStringLiteral("One file selected among 5"));
    r.list.RefreshCounts();
    EXPECT_EQ(r.list.Hint(), QStringLiteral("5 files selected among 5"));

    r.list.SelectAll(false);
    EXPECT_EQ(r.SelectedPaths(), QStringList{"/v/a"});
    r.list.SetSelected(0, false);
    r.list.RefreshCounts();
    EXPECT_EQ(r.list.Hint(), QStringLiteral("No file selected among 5"));
}

TEST(KeyOrder, UnknownDatecodesSortLast)
{
    const TKeyOrder order;
    const QString thorn(QChar(0x00FE));
    const QString yDiaeresis(QChar(0x00FF));
    const QStringList ascending = {QStringLiteral("20240708195558/a"), QStringLiteral("20240709000000/a"),
                                   QStringLiteral("N/A/a"), thorn + QStringLiteral("/a"),
                                   yDiaeresis + QStringLiteral("/a")};
    for (qsizetype i = 0; i + 1 < ascending.size(); ++i)
        EXPECT_LT(order.Compare(ascending[i], ascending[i + 1]), 0) << i;
    EXPECT_EQ(order.Compare(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
}

}  // namespace
