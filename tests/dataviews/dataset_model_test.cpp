// The grid's item model under Qt's model checker while the dataset goes through every operation
// that changes its rows, and the rows it holds after each: never a stale one.
#include "cursor/table_cursor.h"
#include "dataviews/dataset_model.h"
#include "framework/error_display.h"
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

QStringList gCheckerFailures;

void collectCheckerFailures(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && QByteArray(context.category) == "qt.modeltest")
        gCheckerFailures.append(text);
}

class DatasetModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TableImage image(0x03, Fields);
        for (const char *name : {"a", "b", "c"})
            image.records.push_back(recordBytes(Fields, {name, "   7", "T"}));
        image.records.push_back(recordBytes(Fields, {"gone", "   1", "F"}, '*'));
        WriteFile(m_path, image.bytes());
        gCheckerFailures.clear();
        m_previousHandler = qInstallMessageHandler(collectCheckerFailures);
        m_dbf.SetName("Dbf1");
        m_dbf.setErrorSink(m_errors);
        m_dbf.SetFileName(m_path);
        m_model.SetDataSource(&m_source);
    }
    void TearDown() override { qInstallMessageHandler(m_previousHandler); }

    // The rows as the model gives them: the NAME column's text.
    std::vector<std::string> rows() const
    {
        std::vector<std::string> rows;
        for (int row = 0; row < m_model.rowCount(); ++row)
            rows.push_back(m_model.index(row, 0).data().toString().toStdString());
        return rows;
    }

    ScriptedDialogs m_dialogs;
    TempDir m_dir;
    std::string m_path = m_dir.path("t.dbf");
    ErrorDisplay m_errors;
    TDbf m_dbf;
    TDataSource m_source {&m_dbf};
    DatasetModel m_model;
    QAbstractItemModelTester m_checker {
        &m_model, QAbstractItemModelTester::FailureReportingMode::Warning};
    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(DatasetModelTest, PassesTheCheckerAndNeverHoldsAStaleRow)
{
    EXPECT_EQ(m_model.rowCount(), 0) << "closed";
    EXPECT_EQ(m_model.columnCount(), 0);
    m_dbf.Open();
    EXPECT_EQ(m_model.columnCount(), 3) << "every field when the window chose none";
    EXPECT_EQ(m_model.headerData(1, Qt::Horizontal).toString(), "QTY");
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c"));
    EXPECT_EQ(m_model.index(0, 1).data().toString(), "7");
    EXPECT_EQ(m_model.index(0, 2).data().toString(), "True");
    EXPECT_EQ(m_model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
        Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(m_model.currentRow(), 0);

    m_dbf.Next();
    EXPECT_EQ(m_model.currentRow(), 1);
    m_dbf.Insert();
    EXPECT_THAT(rows(), ElementsAre("a", "", "b", "c"));
    EXPECT_EQ(m_model.currentRow(), 1);
    m_dbf.FieldByName("NAME").SetAsString("new");
    EXPECT_THAT(rows(), ElementsAre("a", "new", "b", "c")) << "the unstored value shows";
    m_dbf.Post();
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c", "new"));
    EXPECT_EQ(m_model.currentRow(), 3);

    m_dbf.Append();
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c", "new", ""));
    m_dbf.Cancel();
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c", "new"));

    m_dbf.First();
    m_dbf.Edit();
    m_dbf.FieldByName("NAME").SetAsString("A");
    EXPECT_EQ(m_model.index(0, 0).data().toString(), "A");
    m_dbf.Cancel();
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c", "new"));
    m_dbf.Delete();
    EXPECT_THAT(rows(), ElementsAre("b", "c", "new"));
    EXPECT_EQ(m_model.currentRow(), 0);

    m_dbf.SetShowDeleted(true);
    EXPECT_THAT(rows(), ElementsAre("a", "b", "c", "gone", "new"));
    m_dbf.SetShowDeleted(false);
    m_dbf.OnFilterRecord = [](TDataSet &dataSet, bool &accept) {
        accept = dataSet.FieldByName("NAME").AsString() != "c";
    };
    m_dbf.SetFiltered(true);
    EXPECT_THAT(rows(), ElementsAre("b", "new"));
    m_dbf.SetFiltered(false);

    m_model.setColumns({{"OK", "Ok?"}, {"MISSING", "?"}});
    EXPECT_EQ(m_model.columnCount(), 2);
    EXPECT_EQ(m_model.index(0, 0).data().toString(), "True");
    EXPECT_EQ(m_model.index(0, 1).data().toString(), "") << "a column without a field is empty";
    EXPECT_FALSE(m_model.flags(m_model.index(0, 1)) & Qt::ItemIsEditable);

    m_dbf.Close();
    EXPECT_EQ(m_model.rowCount(), 0);
    EXPECT_TRUE(gCheckerFailures.isEmpty()) << gCheckerFailures.join('\n').toStdString();
}

TEST_F(DatasetModelTest, SettingACellEditsTheRecordItShows)
{
    m_dbf.Open();
    EXPECT_TRUE(m_model.setData(m_model.index(2, 0), "c"));
    EXPECT_EQ(m_dbf.State(), dsBrowse) << "the same text starts no edit";
    EXPECT_EQ(m_dbf.FieldByName("NAME").AsString(), "c") << "but the row became current";
    EXPECT_TRUE(m_model.setData(m_model.index(1, 1), "12"));
    EXPECT_EQ(m_dbf.State(), dsEdit);
    EXPECT_EQ(m_dbf.FieldByName("NAME").AsString(), "b");
    EXPECT_EQ(m_dbf.FieldByName("QTY").AsInteger(), 12);
    EXPECT_FALSE(m_model.setData(m_model.index(1, 1), "x"));
    EXPECT_EQ(m_dialogs.errors, QStringList {"'x' is not a valid integer value for field 'QTY'"});
    EXPECT_FALSE(m_model.setData(m_model.index(1, 0), "sevenxx"));
    EXPECT_EQ(m_dialogs.errors.size(), 2) << "too long for NAME";
    EXPECT_TRUE(m_model.setData(m_model.index(0, 0), "z"));
    EXPECT_EQ(m_dbf.FieldByName("NAME").AsString(), "z");
    EXPECT_THAT(rows(), ElementsAre("z", "b", "c")) << "the change to b was stored on leaving";
    EXPECT_EQ(m_model.index(1, 1).data().toString(), "12");
    EXPECT_TRUE(gCheckerFailures.isEmpty()) << gCheckerFailures.join('\n').toStdString();
}

} // namespace
