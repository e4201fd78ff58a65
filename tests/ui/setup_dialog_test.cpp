// The Setup window over the simulated station: a changed value saved and read back from the
// station's memory, Cancel writing nothing, a window whose reading failed, and a picture of it in
// every language.
#include "tests/ui/artifacts.h"
#include "tests/ui/sim_controls.h"
#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/stationless_world.h"
#include "tests/support/temp_dir.h"
#include "ui/setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace nimbrel {
namespace {

const std::string kSimLibrary = std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so";

using Sim = testing::SimControls;

struct SimWorld {
    explicit SimWorld(int language = english) : texts(language) {
        config.languageIndex = language;
        station = std::make_unique<StationAccess>(loadUsbLibrary(kSimLibrary), clock, false);
        station->pollConnection();
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), clock);
    }
    AppContext context() { return AppContext{config, texts, *station, *store, clock, folder.path()}; }

    testing::TempDir folder;
    Configuration config;
    LanguageTable texts;
    testing::FakeClock clock;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
};

using testing::artifactPath;

template <class W> W* control(QWidget& dialog, int id) {
    return dialog.findChild<W*>(QStringLiteral("c%1").arg(id));
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ready()) << "simulated station library missing: " << kSimLibrary;
        sim.reset("seed=1 start=1700000000 speed=0");
        // Interval 5, °C / Hpa / mm, m/s, indoor high alarm 25.0 °C.
        sim.put(0x10, {5, 0x20, 0x01});
        sim.put(0x15, {0x00, 0x00, 0x00});
        sim.put(0x32, {0xFA, 0x00});
    }
    Sim sim;
};

TEST_F(SetupDialogTest, SaveWritesTheChangedValuesToTheStation) {
    SimWorld world;
    SetupDialog dialog(world.context());
    QStringList told;
    int asked = 0;
    dialog.ask = [&](const QString&) { return ++asked, true; };
    dialog.tell = [&](const QString& m) { told << m; };
    ASSERT_EQ(dialog.readStation(), std::nullopt);
    dialog.show();
    auto* save = control<QPushButton>(dialog, 1028);
    ASSERT_TRUE(save->isEnabled());
    EXPECT_EQ(control<QLineEdit>(dialog, 1233)->text(), QStringLiteral("5"));
    EXPECT_EQ(control<QLabel>(dialog, 1035)->text(), QStringLiteral("Hpa"));

    auto* interval = control<QLineEdit>(dialog, 1233);
    interval->selectAll();
    QTest::keyClicks(interval, QStringLiteral("241"));
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told.front(), QStringLiteral("Please enter an integer between 5 and 240."));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(sim.bytes(0x10, 1)[0], 5);

    interval->selectAll();
    QTest::keyClicks(interval, QStringLiteral("30"));
    auto* indoor = control<QComboBox>(dialog, 1168);
    indoor->setFocus();
    QTest::keyClick(indoor, Qt::Key_Down); // °F
    QTest::mouseClick(control<QCheckBox>(dialog, 1186), Qt::LeftButton);
    // The station keeps its current pressures up to date itself; the save leaves them as they are.
    const auto pressures = sim.bytes(0x20, 4);
    QTest::mouseClick(save, Qt::LeftButton);
    dialog.finishStationWork();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(sim.bytes(0x10, 2), (std::vector<unsigned char>{30, 0x21}));
    EXPECT_EQ(sim.bytes(0x17, 1)[0], 0x02); // indoor temperature high enabled
    EXPECT_EQ(sim.bytes(0x32, 2), (std::vector<unsigned char>{0x02, 0x03})); // 770: 77.0 °F
    EXPECT_EQ(sim.bytes(0x20, 4), pressures);
    EXPECT_EQ(sim.bytes(0x1A, 1)[0], 0xAA);
}

TEST_F(SetupDialogTest, CancelWritesNothing) {
    SimWorld world;
    SetupDialog dialog(world.context());
    dialog.ask = [](const QString&) { return true; };
    dialog.tell = [](const QString&) {};
    ASSERT_EQ(dialog.readStation(), std::nullopt);
    dialog.show();
    const auto before = sim.bytes(0x00, 0x60);
    auto* interval = control<QLineEdit>(dialog, 1233);
    interval->selectAll();
    QTest::keyClicks(interval, QStringLiteral("60"));
    QTest::mouseClick(control<QCheckBox>(dialog, 1139), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(sim.bytes(0x00, 0x60), before);

    // A "No" to the question writes nothing either.
    SetupDialog again(world.context());
    again.ask = [](const QString&) { return false; };
    again.tell = [](const QString&) {};
    ASSERT_EQ(again.readStation(), std::nullopt);
    again.show();
    QTest::mouseClick(control<QCheckBox>(again, 1139), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(again, 1028), Qt::LeftButton);
    EXPECT_EQ(sim.bytes(0x00, 0x60), before);
}

TEST(SetupDialogWithoutStation, SaveIsOffAndDefaultStaysOn) {
    testing::StationlessWorld world(english);
    SetupDialog dialog(world.context());
    const auto failure = dialog.readStation();
    ASSERT_TRUE(failure);
    // Both areas were tried, and each failure is told.
    EXPECT_EQ(*failure, QStringLiteral("Read weather setup data fail!\nRead weather alarm data fail!"));
    EXPECT_FALSE(control<QPushButton>(dialog, 1028)->isEnabled());
    EXPECT_TRUE(control<QPushButton>(dialog, 1004)->isEnabled());
    EXPECT_TRUE(control<QPushButton>(dialog, 2)->isEnabled());
    EXPECT_FALSE(world.station->busy().isBusy());
}

TEST_F(SetupDialogTest, PictureInEveryLanguage) {
    const char* codes[] = {"en", "de", "da", "nl", "fr"};
    for (int language = english; language <= french; ++language) {
        SimWorld world(language);
        SetupDialog dialog(world.context());
        ASSERT_EQ(dialog.readStation(), std::nullopt);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.windowTitle().toStdString(), world.texts.text(TextRow::setup));
        const QString path = artifactPath(QStringLiteral("setup-%1.png").arg(QLatin1String(codes[language])));
        EXPECT_TRUE(dialog.grab().save(path)) << path.toStdString();
    }
}

} // namespace
} // namespace nimbrel
