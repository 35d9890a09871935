// The generic dataset over an in-memory cursor: the browse-mode rule, edit/insert/post/cancel/
// delete, navigation at the ends, events and error handlers, and the errors with the component
// name. Every case runs twice: alone, and with an observer that reads every record on every
// event, as a grid does, to show that views reading other records never disturb an operation.
#include "dataset/database_error.h"
#include "support/memory_data_set.h"
#include "support/recording_sink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace kelvane;

using ::testing::ElementsAre;

namespace {

const std::vector<MemoryField> Fields
    = {{"NAME", ftString, 8}, {"QTY", ftInteger, 5}, {"OK", ftBoolean, 1}};

// Reads every record the dataset shows whenever it hears an event.
class GreedyObserver : public DataSetObserver
{
public:
    explicit GreedyObserver(TDataSet &dataSet) : m_dataSet(dataSet) { dataSet.addObserver(this); }
    ~GreedyObserver() override
    {
        if (!m_destroyed)
            m_dataSet.removeObserver(this);
    }
    void DataEvent(TDataEvent event, TField *) override
    {
        events.push_back(event);
        if (event == deUpdateRecord && onUpdateRecord)
            onUpdateRecord();
        if (!greedy || !m_dataSet.Active())
            return;
        m_dataSet.forEachRecord([&](const TBookmark &bookmark) {
            m_dataSet.readRecordAt(bookmark, [&] { m_dataSet.FieldByName("NAME").AsString(); });
        });
    }
    void dataSetDestroyed() override { m_destroyed = true; }

    bool greedy = false;
    std::vector<TDataEvent> events;
    std::function<void()> onUpdateRecord;

private:
    TDataSet &m_dataSet;
    bool m_destroyed = false;
};

class DataSetRules : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        m_observer.greedy = GetParam();
        m_ds.Open();
    }

    std::string Name() { return m_ds.FieldByName("NAME").AsString(); }
    void SetName(const std::string &name) { m_ds.FieldByName("NAME").SetAsString(name); }
    std::vector<std::string> stored() const
    {
        std::vector<std::string> names;
        for (const std::string &record : m_ds.records)
            names.push_back(
                (record[0] == '*' ? "*" : "") + record.substr(1, record.find(' ', 1) - 1));
        return names;
    }
    void logEvents(std::vector<std::string> &log)
    {
        m_ds.BeforePost = [&](TDataSet &) { log.push_back("BeforePost"); };
        m_ds.AfterPost = [&](TDataSet &) { log.push_back("AfterPost"); };
        m_ds.BeforeCancel = [&](TDataSet &) { log.push_back("BeforeCancel"); };
        m_ds.AfterCancel = [&](TDataSet &) { log.push_back("AfterCancel"); };
        m_ds.BeforeScroll = [&](TDataSet &) { log.push_back("BeforeScroll"); };
        m_ds.AfterScroll = [&](TDataSet &) { log.push_back("AfterScroll"); };
    }

    MemoryDataSet m_ds {Fields, {{"a", "1", "T"}, {"b", "2", "F"}, {"c", "3", "T"}}};
    GreedyObserver m_observer {m_ds};
};

TEST_P(DataSetRules, LeavingStoresAChangedRecordAndDropsAnUnchangedOne)
{
    std::vector<std::string> log;
    logEvents(log);
    m_ds.Edit();
    m_ds.Next();
    EXPECT_THAT(log, ElementsAre("BeforeCancel", "AfterCancel", "BeforeScroll", "AfterScroll"));
    EXPECT_EQ(m_ds.posts, 0);
    log.clear();
    m_ds.Edit();
    SetName("B");
    m_ds.Next();
    EXPECT_THAT(log, ElementsAre("BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"));
    EXPECT_THAT(stored(), ElementsAre("a", "B", "c"));
    EXPECT_EQ(Name(), "c");

    m_ds.Insert();
    m_ds.First();
    EXPECT_THAT(stored(), ElementsAre("a", "B", "c")) << "an untouched insert is dropped";
    m_ds.Insert();
    SetName("new");
    m_ds.Refresh();
    EXPECT_THAT(stored(), ElementsAre("a", "B", "c", "new"));
    EXPECT_EQ(Name(), "new");
    m_ds.Edit();
    SetName("last");
    m_ds.Close();
    EXPECT_THAT(stored(), ElementsAre("a", "B", "c", "last")) << "closing leaves the record too";
}

TEST_P(DataSetRules, PendingViewEditsReachTheFieldsBeforeAStore)
{
    m_observer.onUpdateRecord = [&] { SetName("typed"); };
    m_ds.Edit();
    EXPECT_FALSE(m_ds.Modified());
    m_ds.Next();
    EXPECT_THAT(stored(), ElementsAre("typed", "b", "c")) << "the view's edit made it modified";
    m_observer.onUpdateRecord = nullptr;
    try {
        m_ds.Post();
        FAIL() << "post in browse state";
    } catch (const EDatabaseError &error) {
        EXPECT_STREQ(error.what(), "Table1: Dataset not in edit or insert mode");
    }
}

TEST_P(DataSetRules, EditOnAnEmptyDatasetInsertsAndNewRecordsStartUnmodified)
{
    MemoryDataSet empty(Fields, {});
    empty.OnNewRecord = [](TDataSet &dataSet) { dataSet.FieldByName("QTY").SetAsInteger(1); };
    empty.Open();
    EXPECT_TRUE(empty.IsEmpty());
    empty.Edit();
    EXPECT_EQ(empty.State(), dsInsert);
    EXPECT_FALSE(empty.Modified()) << "fields set by OnNewRecord are no change";
    EXPECT_FALSE(empty.IsEmpty());
    EXPECT_EQ(empty.FieldByName("QTY").AsInteger(), 1);
    empty.Edit();
    EXPECT_EQ(empty.State(), dsInsert) << "editing again does nothing";
    empty.Post();
    EXPECT_EQ(empty.records.size(), 1u) << "post stores even an unmodified record";
    EXPECT_EQ(empty.State(), dsBrowse);

    int edits = 0;
    m_ds.BeforeEdit = [&](TDataSet &) { ++edits; };
    m_ds.Edit();
    m_ds.Edit();
    EXPECT_EQ(edits, 1);
}

TEST_P(DataSetRules, CancelShowsTheStoredRecordAgain)
{
    m_ds.Next();
    m_ds.Edit();
    SetName("x");
    m_ds.Cancel();
    EXPECT_EQ(Name(), "b");
    EXPECT_EQ(m_ds.State(), dsBrowse);
    EXPECT_FALSE(m_ds.Modified());

    m_ds.Insert();
    SetName("x");
    m_ds.Cancel();
    EXPECT_EQ(Name(), "b") << "back to the record the insert began at";
    m_ds.Append();
    m_ds.Cancel();
    EXPECT_EQ(Name(), "c") << "an append returns to the last record";
    EXPECT_THAT(stored(), ElementsAre("a", "b", "c"));
}

TEST_P(DataSetRules, InsertIsShownBeforeTheCurrentRecordAndAppendAfterTheLast)
{
    m_ds.Next();
    const TBookmark b = m_ds.GetBookmark();
    m_ds.Insert();
    EXPECT_EQ(m_ds.insertAnchor(), b);
    m_ds.Cancel();
    m_ds.Append();
    EXPECT_TRUE(m_ds.insertAnchor().empty());
    SetName("z");
    m_ds.Post();
    EXPECT_TRUE(m_ds.insertAnchor().empty());
    EXPECT_EQ(Name(), "z");
    EXPECT_EQ(m_ds.RecNo(), 4);
}

TEST_P(DataSetRules, DeleteDropsAnInsertRefusesAnEmptyDatasetAndMovesOn)
{
    m_ds.Insert();
    SetName("x");
    m_ds.Delete();
    EXPECT_EQ(m_ds.State(), dsBrowse);
    EXPECT_THAT(stored(), ElementsAre("a", "b", "c")) << "nothing deleted";
    EXPECT_EQ(Name(), "a");

    m_ds.Next();
    m_ds.Delete();
    EXPECT_THAT(stored(), ElementsAre("a", "*b", "c"));
    EXPECT_EQ(Name(), "c");
    m_ds.Delete();
    EXPECT_EQ(Name(), "a") << "after the last, the one before";
    m_ds.Delete();
    EXPECT_TRUE(m_ds.IsEmpty());
    EXPECT_TRUE(m_ds.Bof() && m_ds.Eof());
    try {
        m_ds.Delete();
        FAIL() << "delete on an empty dataset";
    } catch (const EDatabaseError &error) {
        EXPECT_STREQ(error.what(), "Table1: Cannot perform this operation on an empty dataset");
    }
    EXPECT_EQ(m_ds.RecordCount(), 3);
}

TEST_P(DataSetRules, MovesStopAtTheEndsAndKeepTheRecord)
{
    EXPECT_TRUE(m_ds.Bof());
    EXPECT_FALSE(m_ds.Eof());
    EXPECT_EQ(m_ds.MoveBy(5), 2);
    EXPECT_TRUE(m_ds.Eof());
    EXPECT_EQ(Name(), "c");
    EXPECT_EQ(m_ds.MoveBy(1), 0);
    EXPECT_EQ(m_ds.MoveBy(-1), -1);
    EXPECT_FALSE(m_ds.Eof());
    m_ds.First();
    m_ds.Prior();
    EXPECT_TRUE(m_ds.Bof());
    EXPECT_EQ(Name(), "a");
    m_ds.Last();
    EXPECT_TRUE(m_ds.Eof());
    EXPECT_EQ(m_ds.RecNo(), 3);
    m_ds.records[1][0] = '*';
    m_ds.Prior();
    EXPECT_EQ(Name(), "a") << "a hidden record is skipped";
}

TEST_P(DataSetRules, ErrorHandlersRetryGiveUpOrFail)
{
    m_ds.Edit();
    SetName("x");
    m_ds.failPosts = 2;
    int calls = 0;
    m_ds.OnPostError = [&](TDataSet &, const std::exception &error, TDataAction &action) {
        EXPECT_STREQ(error.what(), "disk full");
        action = ++calls < 3 ? daRetry : daFail;
    };
    m_ds.Post();
    EXPECT_EQ(calls, 2);
    EXPECT_THAT(stored(), ElementsAre("x", "b", "c"));

    m_ds.Edit();
    SetName("y");
    m_ds.failPosts = 1;
    m_ds.OnPostError
        = [](TDataSet &, const std::exception &, TDataAction &action) { action = daAbort; };
    m_ds.Post();
    EXPECT_EQ(m_ds.State(), dsEdit) << "given up quietly: still editing";
    EXPECT_TRUE(m_ds.Modified());
    m_ds.failPosts = 1;
    m_ds.OnPostError = nullptr;
    EXPECT_THROW(m_ds.Next(), std::runtime_error);
    EXPECT_EQ(m_ds.State(), dsEdit) << "a failed store leaves the record pending";
    EXPECT_EQ(Name(), "y");
    m_ds.Next();
    EXPECT_THAT(stored(), ElementsAre("y", "b", "c"));

    m_ds.failDeletes = 1;
    EXPECT_THROW(m_ds.Delete(), std::runtime_error);
    EXPECT_EQ(Name(), "b");
}

TEST_P(DataSetRules, BeforeHandlersThatRaiseStopTheOperation)
{
    m_ds.BeforePost = [](TDataSet &) { throw std::runtime_error("not now"); };
    m_ds.Edit();
    SetName("x");
    EXPECT_THROW(m_ds.Post(), std::runtime_error);
    EXPECT_EQ(m_ds.State(), dsEdit);
    EXPECT_THAT(stored(), ElementsAre("a", "b", "c"));
    m_ds.BeforePost = nullptr;
    m_ds.Cancel();
    m_ds.BeforeDelete = [](TDataSet &) { throw std::runtime_error("no"); };
    EXPECT_THROW(m_ds.Delete(), std::runtime_error);
    EXPECT_THAT(stored(), ElementsAre("a", "b", "c"));
}

TEST_P(DataSetRules, ReadOnlyAndClosedDatasetsRefuseWithTheName)
{
    m_ds.Close();
    for (const auto &operation : std::vector<std::function<void()>> {[&] { m_ds.RecordCount(); },
             [&] { m_ds.Post(); }, [&] { m_ds.Delete(); }, [&] { m_ds.Refresh(); },
             [&] { m_ds.Edit(); }, [&] { m_ds.Insert(); }, [&] { m_ds.Next(); }}) {
        try {
            operation();
            ADD_FAILURE() << "no error on a closed dataset";
        } catch (const EDatabaseError &error) {
            EXPECT_STREQ(error.what(), "Table1: Cannot perform this operation on a closed dataset");
        }
    }
    m_ds.Cancel(); // nothing to cancel: no error

    m_ds.readOnly = true;
    m_ds.Open();
    EXPECT_THROW(
        {
            try {
                m_ds.Edit();
            } catch (const EDatabaseError &error) {
                EXPECT_STREQ(error.what(), "Table1: Cannot modify a read-only dataset");
                throw;
            }
        },
        EDatabaseError);
    EXPECT_THROW(m_ds.Append(), EDatabaseError);
    EXPECT_EQ(m_ds.State(), dsBrowse);
}

TEST_P(DataSetRules, AddRecordStoresValuesInOneStep)
{
    m_ds.Next();
    m_ds.AppendRecord({"d", "4"});
    EXPECT_EQ(Name(), "d");
    EXPECT_EQ(m_ds.FieldByName("QTY").AsInteger(), 4);
    EXPECT_THROW(m_ds.InsertRecord({"e", "not a number"}), EDatabaseError);
    EXPECT_THAT(stored(), ElementsAre("a", "b", "c", "d")) << "a bad value stores nothing";
    EXPECT_EQ(m_ds.State(), dsBrowse);
    EXPECT_EQ(Name(), "d");
}

TEST_P(DataSetRules, ObserversHearStateAndRecordChanges)
{
    m_observer.events.clear();
    m_ds.Edit();
    EXPECT_THAT(m_observer.events, ElementsAre(deUpdateState, deRecordChange));
    m_observer.events.clear();
    SetName("x");
    EXPECT_THAT(m_observer.events, ElementsAre(deFieldChange));
    m_observer.events.clear();
    m_ds.Post();
    EXPECT_THAT(m_observer.events, ElementsAre(deUpdateRecord, deUpdateState, deDataSetChange));
    m_observer.events.clear();
    m_ds.Next();
    EXPECT_THAT(m_observer.events, ElementsAre(deCheckBrowseMode, deDataSetScroll));
}

INSTANTIATE_TEST_SUITE_P(AloneAndWithAGreedyView, DataSetRules, ::testing::Bool());

TEST(DataSet, FieldsByNameAndTheirTypedValues)
{
    MemoryDataSet ds({{"NAME", ftString, 8}, {"QTY", ftSmallint, 4}, {"OK", ftBoolean, 1},
                         {"DAY", ftDate, 8}, {"PRICE", ftFloat, 8, 2}},
        {{"a", "  12", "T", "20260305", "   -3.50"}});
    ds.SetName("Dbf1");
    ds.Open();
    EXPECT_EQ(ds.FieldCount(), 5);
    EXPECT_EQ(ds.FindField("NOPE"), nullptr);
    try {
        ds.FieldByName("NOPE");
        FAIL() << "no such field";
    } catch (const EDatabaseError &error) {
        EXPECT_STREQ(error.what(), "Dbf1: Field 'NOPE' not found");
    }
    EXPECT_EQ(ds.FieldByName("QTY").AsString(), "12");
    EXPECT_EQ(ds.FieldByName("OK").AsString(), "True");
    EXPECT_EQ(ds.FieldByName("DAY").AsString(), "05.03.2026");
    EXPECT_EQ(ds.FieldByName("PRICE").AsString(), "-3.5");
    EXPECT_DOUBLE_EQ(ds.FieldByName("PRICE").AsFloat(), -3.5);
    EXPECT_EQ(ds.FieldByName("DAY").FieldNo(), 4);

    ds.Edit();
    ds.FieldByName("QTY").SetAsString("-7");
    ds.FieldByName("DAY").SetAsString("1.2.1999");
    ds.FieldByName("PRICE").SetAsString("2,125");
    ds.FieldByName("OK").SetAsString("no");
    ds.Post();
    EXPECT_EQ(ds.records[0], " a         -7F19990201    2.13");
    EXPECT_THROW(ds.FieldByName("QTY").SetAsString("1"), EDatabaseError) << "not editing";
    ds.Edit();
    EXPECT_THROW(ds.FieldByName("QTY").SetAsString("40000"), EDatabaseError);
    EXPECT_THROW(ds.FieldByName("DAY").SetAsString("31.02.2026"), EDatabaseError);
    EXPECT_FALSE(ds.Modified()) << "a refused value changes nothing";
    ds.FieldByName("DAY").SetAsString("");
    ds.Post();
    EXPECT_EQ(ds.records[0].substr(14, 8), "        ") << "an empty date stores a blank date";
}

TEST(DataSet, CalcHandlerSeesEachRecordReadFromTheCursor)
{
    MemoryDataSet ds(Fields, {{"a"}, {"*b"}, {"c"}});
    std::vector<std::string> seen;
    ds.OnCalcFields
        = [&](TDataSet &dataSet) { seen.push_back(dataSet.FieldByName("NAME").AsString()); };
    ds.Open();
    EXPECT_THAT(seen, ElementsAre("a")) << "the first record, while opening";
    ds.Next();
    EXPECT_THAT(seen, ElementsAre("a", "b", "c")) << "hidden ones too, before they are skipped";
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "c") << "the current record is untouched";
}

TEST(DataSet, DestroyingAnOpenDatasetStoresTheRecordOrReportsWhyNot)
{
    RecordingSink reports;
    auto ds = std::make_unique<MemoryDataSet>(Fields, std::vector<std::vector<std::string>> {});
    ds->setErrorSink(reports);
    GreedyObserver observer(*ds);
    ds->Open();
    ds->Insert();
    ds->FieldByName("NAME").SetAsString("kept");
    ds->failPosts = 1;
    ds.reset();
    EXPECT_THAT(reports.errors(), ElementsAre("disk full"));
    EXPECT_EQ(observer.events.back(), deUpdateState) << "closed without the record";
}

} // namespace
