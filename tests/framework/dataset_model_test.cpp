// The grid's item model under Qt's model checker while the dataset goes through every operation
// that changes its rows, and the rows it holds after each: never a stale one.
#include "cursor/table_cursor.h"
#include "framework/dataset_model.h"
#include "support/dbf/dbf_test_support.h"
#include "support/gui/scripted_dialogs.h"

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace kelvane;

using namespace DbfTest;
using ::testing::ElementsAre;

namespace {

const std::vector<FieldLayout> Fields = {{"NAME", 'C', 6}, {"QTY", 'N', 4}, {"OK", 'L', 1}};

QStringList g_checkerFailures;

void CollectCheckerFailures(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && QByteArray(context.category) == "qt.modeltest")
        g_checkerFailures.append(text);
}

class DatasetModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TableImage image(0x03, Fields);
        for (const char *name : {"a", "b", "c"})
            image.Records.push_back(Record(Fields, {name, "   7", "T"}));
        image.Records.push_back(Record(Fields, {"gone", "   1", "F"}, '*'));
        WriteFile(path, image.Bytes());
        g_checkerFailures.clear();
        previousHandler = qInstallMessageHandler(CollectCheckerFailures);
        dbf.SetName("Dbf1");
        dbf.SetFileName(path);
        model.SetDataSource(&source);
    }
    void TearDown() override { qInstallMessageHandler(previousHandler); }

    // The rows as the model gives them: the NAME column's text.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int row = 0; row < model.rowCount(); ++row)
            rows.push_back(model.index(row, 0).data().toString().toStdString());
        return rows;
    }

    ScriptedDialogs dialogs;
    TempDir dir;
    std::string path = dir.Path("t.dbf");
    TDbf dbf;
    TDataSource source {&dbf};
    DatasetModel model;
    QAbstractItemModelTester checker {
        &model, QAbstractItemModelTester::FailureReportingMode::Warning};
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(DatasetModelTest, PassesTheCheckerAndNeverHoldsAStaleRow)
{
    EXPECT_EQ(model.rowCount(), 0) << "closed";
    EXPECT_EQ(model.columnCount(), 0);
    dbf.Open();
    EXPECT_EQ(model.columnCount(), 3) << "every field when the window chose none";
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "QTY");
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(model.index(0, 1).data().toString(), "7");
    EXPECT_EQ(model.index(0, 2).data().toString(), "True");
    EXPECT_EQ(model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
        Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(model.CurrentRow(), 0);

    dbf.Next();
    EXPECT_EQ(model.CurrentRow(), 1);
    dbf.Insert();
    EXPECT_THAT(Rows(), ElementsAre("a", "", "b", "c"));
    EXPECT_EQ(model.CurrentRow(), 1);
    dbf.FieldByName("NAME").SetAsString("new");
    EXPECT_THAT(Rows(), ElementsAre("a", "new", "b", "c")) << "the unstored value shows";
    dbf.Post();
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c", "new"));
    EXPECT_EQ(model.CurrentRow(), 3);

    dbf.Append();
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c", "new", ""));
    dbf.Cancel();
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c", "new"));

    dbf.First();
    dbf.Edit();
    dbf.FieldByName("NAME").SetAsString("A");
    EXPECT_EQ(model.index(0, 0).data().toString(), "A");
    dbf.Cancel();
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c", "new"));
    dbf.Delete();
    EXPECT_THAT(Rows(), ElementsAre("b", "c", "new"));
    EXPECT_EQ(model.CurrentRow(), 0);

    dbf.SetShowDeleted(true);
    EXPECT_THAT(Rows(), ElementsAre("a", "b", "c", "gone", "new"));
    dbf.SetShowDeleted(false);
    dbf.OnFilterRecord = [](TDataSet &dataSet, bool &accept) {
        accept = dataSet.FieldByName("NAME").AsString() != "c";
    };
    dbf.SetFiltered(true);
    EXPECT_THAT(Rows(), ElementsAre("b", "new"));
    dbf.SetFiltered(false);

    model.SetColumns({{"OK", "Ok?"}, {"MISSING", "?"}});
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.index(0, 0).data().toString(), "True");
    EXPECT_EQ(model.index(0, 1).data().toString(), "") << "a column without a field is empty";
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);

    dbf.Close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(g_checkerFailures.isEmpty()) << g_checkerFailures.join('\n').toStdString();
}

TEST_F(DatasetModelTest, SettingACellEditsTheRecordItShows)
{
    dbf.Open();
    EXPECT_TRUE(model.setData(model.index(2, 0), "c"));
    EXPECT_EQ(dbf.State(), dsBrowse) << "the same text starts no edit";
    EXPECT_EQ(dbf.FieldByName("NAME").AsString(), "c") << "but the row became current";
    EXPECT_TRUE(model.setData(model.index(1, 1), "12"));
    EXPECT_EQ(dbf.State(), dsEdit);
    EXPECT_EQ(dbf.FieldByName("NAME").AsString(), "b");
    EXPECT_EQ(dbf.FieldByName("QTY").AsInteger(), 12);
    EXPECT_FALSE(model.setData(model.index(1, 1), "x"));
    EXPECT_EQ(dialogs.errors, QStringList {"'x' is not a valid integer value for field 'QTY'"});
    EXPECT_FALSE(model.setData(model.index(1, 0), "sevenxx"));
    EXPECT_EQ(dialogs.errors.size(), 2) << "too long for NAME";
    EXPECT_TRUE(model.setData(model.index(0, 0), "z"));
    EXPECT_EQ(dbf.FieldByName("NAME").AsString(), "z");
    EXPECT_THAT(Rows(), ElementsAre("z", "b", "c")) << "the change to b was stored on leaving";
    EXPECT_EQ(model.index(1, 1).data().toString(), "12");
    EXPECT_TRUE(g_checkerFailures.isEmpty()) << g_checkerFailures.join('\n').toStdString();
}

} // namespace
