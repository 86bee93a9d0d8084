#include "platform/ui/resources.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QByteArray>
#include <QDir>
#include <QMenu>
#include <QtEndian>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/menubuilder.h"
#include "resources/tarrow/tarrowresources.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/scopedresourcemodule.h"

using orvane::resources::TarrowResources;
using orvane::resources::VelbinResources;
using orvane::ui::LoadBitmap;
using orvane::ui::LoadBitmapData;
using orvane::ui::LoadBitmapImage;
using orvane::ui::ResourceId;
using orvane::ui::ResourceModule;
using orvane::ui::SetResourceModule;

using orvane::test::ScopedResourceModule;

namespace {

struct BmpHeader {
  bool valid = false;
  int width = 0;
  int height = 0;
  int bitCount = 0;
  int compression = -1;
  qint64 fileSize = 0;
  qint64 offBits = 0;
};

BmpHeader ParseBmp(const QByteArray& data) {
  BmpHeader header;
  if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return header;
  const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
  if (qFromLittleEndian<quint32>(bytes + 14) != 40) return header;  // BITMAPINFOHEADER
  header.valid = true;
  header.fileSize = qFromLittleEndian<quint32>(bytes + 2);
  header.offBits = qFromLittleEndian<quint32>(bytes + 10);
  header.width = qFromLittleEndian<qint32>(bytes + 18);
  header.height = qFromLittleEndian<qint32>(bytes + 22);
  header.bitCount = qFromLittleEndian<quint16>(bytes + 28);
  header.compression = static_cast<int>(qFromLittleEndian<quint32>(bytes + 30));
  return header;
}

struct Expected {
  const char* name;
  int width;
  int height;
};

// Every bitmap the two programs load, with the size its control expects.
const Expected kVelbinBitmaps[] = {
    {"OKU", 18, 18},        {"OKD", 18, 18},        {"ABOUTU", 18, 18},    {"ABOUTD", 18, 18},
    {"STARTU", 35, 35},     {"STARTD", 35, 35},     {"STARTX", 35, 35},    {"STOPU", 35, 35},
    {"STOPD", 35, 35},      {"PHOTOU", 35, 35},     {"PHOTOD", 35, 35},    {"SETU", 35, 35},
    {"SETD", 35, 35},       {"SECURITYU", 35, 35},  {"SECURITYD", 35, 35}, {"SECURITYX", 35, 35},
    {"MAILU", 35, 35},      {"MAILD", 35, 35},      {"SEEU", 23, 23},      {"SEED", 23, 23},
    {"RENAMEU", 23, 23},    {"RENAMED", 23, 23},    {"DELETEU", 23, 23},   {"DELETED", 23, 23},
    {"DELETEALLU", 23, 23}, {"DELETEALLD", 23, 23}, {"CHATU", 59, 59},     {"CHATD", 59, 59},
    {"MAXORGU", 12, 12},    {"MAXORGD", 12, 12},    {"MINU", 12, 12},      {"MIND", 12, 12},
    {"#130", 200, 156},     {"#139", 421, 141},     {"#140", 9, 17},       {"#141", 9, 17},
    {"#142", 9, 17},        {"#143", 9, 17},        {"#144", 9, 17},       {"#145", 9, 17},
    {"#146", 9, 17},        {"#147", 9, 17},        {"#148", 9, 17},       {"#149", 9, 17},
    {"#150", 5, 17},
};

const Expected kTarrowBitmaps[] = {
    {"EXITU", 19, 18},    {"EXITF", 19, 18},    {"STARTU", 55, 25},  {"STARTX", 55, 25},
    {"STOPU", 56, 25},    {"STOPX", 55, 25},    {"SNAPU", 55, 25},   {"SNAPF", 55, 25},
    {"MYHELPU", 19, 17},  {"MYHELPF", 18, 17},  {"OPTIONU", 11, 19}, {"OPTIONX", 11, 19},
    {"NOPTIONU", 11, 19}, {"NOPTIONX", 11, 19}, {"#213", 99, 28},    {"#214", 99, 28},
    {"#215", 99, 28},     {"#216", 99, 28},     {"#221", 99, 28},    {"#222", 99, 28},
    {"#223", 99, 28},     {"#224", 99, 28},     {"#143", 532, 376},
};

template <std::size_t N>
void ExpectCommitted(const ResourceModule& module, const Expected (&table)[N]) {
  ScopedResourceModule scope(&module);
  for (const Expected& e : table) {
    SCOPED_TRACE(module.name + " " + e.name);
    const BmpHeader header = ParseBmp(LoadBitmapData(e.name));
    ASSERT_TRUE(header.valid);
    EXPECT_EQ(header.width, e.width);
    EXPECT_EQ(header.height, e.height);  // positive: bottom-up rows
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(header.compression, 0);  // BI_RGB
    const qint64 stride = (e.width * 3 + 3) / 4 * 4;
    EXPECT_EQ(header.fileSize, header.offBits + stride * e.height);
    const QImage image = LoadBitmapImage(e.name);
    EXPECT_EQ(image.size(), QSize(e.width, e.height));
  }
}

}  // namespace

TEST(Resources, EveryBitmapTheProgramsLoadIsCommittedAsUncompressed24Bit) {
  ExpectCommitted(VelbinResources(), kVelbinBitmaps);
  ExpectCommitted(TarrowResources(), kTarrowBitmaps);
}

TEST(Resources, EveryBitmapHasATwinAtTwiceTheResolution) {
  for (const ResourceModule* module : {&VelbinResources(), &TarrowResources()}) {
    ScopedResourceModule scope(module);
    const QDir dir(QString::fromStdString(module->root) + "/bitmaps");
    const QStringList all = dir.entryList({"*.bmp"}, QDir::Files);
    const QStringList twins = dir.entryList({"*@2x.bmp"}, QDir::Files);
    EXPECT_EQ(twins.size() * 2, all.size()) << module->name;
    for (const QString& twin : twins) {
      SCOPED_TRACE(twin.toStdString());
      const QString name = twin.chopped(7);
      const QImage one = LoadBitmapImage(name.toStdString());
      ASSERT_FALSE(one.isNull());
      EXPECT_EQ(QImage(dir.filePath(twin), "BMP").size(), one.size() * 2);
    }
  }
}

TEST(Resources, BitmapsAreFoundByNameInAnyCaseAndByNumber) {
  ScopedResourceModule scope(&VelbinResources());
  const struct {
    ResourceId id;
    QSize size;
  } cases[] = {
      {"DELETEALLU", {23, 23}},
      {"deleteallu", {23, 23}},
      {std::string("Deleteall") + "U", {23, 23}},
      {"MaxOrgD", {12, 12}},
      {139, {421, 141}},
      {"#139", {421, 141}},
      {150, {5, 17}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id.Key());
    EXPECT_EQ(LoadBitmapImage(c.id).size(), c.size);
    EXPECT_EQ(LoadBitmap(c.id).size(), c.size);
  }
}

TEST(Resources, AbsentBitmapsAreNull) {
  ScopedResourceModule scope(&VelbinResources());
  const ResourceId absent[] = {"DELETEALLF", "STOPX", "CHAT", "", "#", "#13x", "# 139", 999, -1};
  for (const ResourceId& id : absent) {
    SCOPED_TRACE(id.Key());
    EXPECT_TRUE(LoadBitmapImage(id).isNull());
    EXPECT_TRUE(LoadBitmap(id).isNull());
    EXPECT_TRUE(LoadBitmapData(id).isEmpty());
  }
  SetResourceModule(nullptr);
  EXPECT_TRUE(LoadBitmapImage("STARTU").isNull());
  EXPECT_EQ(orvane::ui::LoadStringResource(1), "");
  EXPECT_EQ(orvane::ui::FindDialogTemplate(102), nullptr);
  EXPECT_TRUE(orvane::ui::LoadIconResource(128).isNull());
}

TEST(Resources, EachProgramSeesOnlyItsOwnModule) {
  // Both programs have a STARTU of their own, in their own size.
  {
    ScopedResourceModule scope(&VelbinResources());
    EXPECT_EQ(LoadBitmapImage("STARTU").size(), QSize(35, 35));
    EXPECT_TRUE(LoadBitmapImage(213).isNull());
    EXPECT_EQ(orvane::ui::LoadStringResource(1), "Start Record");
    EXPECT_EQ(orvane::ui::LoadStringResource(101), "");
  }
  {
    ScopedResourceModule scope(&TarrowResources());
    EXPECT_EQ(LoadBitmapImage("startu").size(), QSize(55, 25));
    EXPECT_TRUE(LoadBitmapImage("STARTD").isNull());
    EXPECT_EQ(LoadBitmapImage(143).size(), QSize(532, 376));
    EXPECT_EQ(orvane::ui::LoadStringResource(101), "Viewer 정보(&A)...");
    EXPECT_EQ(orvane::ui::LoadStringResource(1), "");
  }
}

TEST(Resources, IconsMenusAndTemplatesAreLookedUpById) {
  for (const ResourceModule* module : {&VelbinResources(), &TarrowResources()}) {
    SCOPED_TRACE(module->name);
    ScopedResourceModule scope(module);
    const QIcon icon = orvane::ui::LoadIconResource(128);
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
    EXPECT_TRUE(orvane::ui::LoadIconResource(129).isNull());
    ASSERT_NE(orvane::ui::FindDialogTemplate(102), nullptr);
    EXPECT_EQ(orvane::ui::FindDialogTemplate(102)->id, 102);
    EXPECT_EQ(orvane::ui::FindDialogTemplate(4242), nullptr);
    EXPECT_EQ(orvane::ui::FindMenuResource(4242), nullptr);
  }
  ScopedResourceModule velbin(&VelbinResources());
  const orvane::ui::MenuTemplate* chat = orvane::ui::FindMenuResource(131);
  ASSERT_NE(chat, nullptr);
  ASSERT_EQ(chat->items.size(), 2u);
  ASSERT_TRUE(chat->items[1].IsPopup());
  ASSERT_EQ(chat->items[1].popup.size(), 2u);
  EXPECT_EQ(chat->items[1].popup[0].id, 32771u);
  EXPECT_EQ(chat->items[1].popup[1].text, "CUSeeMe");
}

TEST(Resources, MenuPopupsBecomeQMenusWhoseActionsCarryTheirCommandIds) {
  ScopedResourceModule scope(&TarrowResources());
  const orvane::ui::MenuTemplate* menu = orvane::ui::FindMenuResource(132);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->items.size(), 2u);
  const struct {
    std::size_t popup;
    std::vector<std::pair<UINT, QString>> items;
  } cases[] = {
      {0, {{32771, "소스 ..."}, {32772, "포맷 ..."}, {32773, "압축 ..."}, {32779, "캡쳐 ..."}}},
      {1, {{32776, "NetMeeting"}, {32777, "CUSeeMe"}, {32778, "ZENTORA"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.popup);
    const orvane::ui::PopupMenu qmenu = orvane::ui::CreatePopupMenu(menu->items[c.popup], nullptr);
    const QList<QAction*> actions = qmenu->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(c.items.size()));
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      EXPECT_EQ(orvane::ui::CommandIdOf(actions[static_cast<qsizetype>(i)]), c.items[i].first);
      EXPECT_EQ(actions[static_cast<qsizetype>(i)]->text(), c.items[i].second);
    }
  }
  EXPECT_EQ(orvane::ui::CommandIdOf(nullptr), 0u);
  // A pop-up nested in a pop-up is a submenu, and its entry is no command.
  const orvane::ui::MenuItem nested{
      0,
      "outer",
      false,
      {orvane::ui::MenuItem{0, "inner", false, {orvane::ui::MenuItem{7, "seven", false, {}}}},
       orvane::ui::MenuItem{0, "", true, {}}}};
  const orvane::ui::PopupMenu outer = orvane::ui::CreatePopupMenu(nested, nullptr);
  ASSERT_EQ(outer->actions().size(), 2);
  QAction* entry = outer->actions()[0];
  ASSERT_NE(entry->menu(), nullptr);
  EXPECT_EQ(orvane::ui::CommandIdOf(entry), 0u);
  EXPECT_EQ(orvane::ui::CommandIdOf(entry->menu()->actions().value(0)), 7u);
  EXPECT_TRUE(outer->actions()[1]->isSeparator());
  EXPECT_EQ(orvane::ui::CommandIdOf(outer->actions()[1]), 0u);
  // A parent that goes first takes its menu along; the handle then deletes
  // nothing (twice would crash).
  {
    auto* parent = new QWidget;
    orvane::ui::PopupMenu owned = orvane::ui::CreatePopupMenu(nested, parent);
    ASSERT_NE(owned.get(), nullptr);
    EXPECT_EQ(owned->parent(), parent);
    delete parent;
    EXPECT_EQ(owned.get(), nullptr);
  }
}

TEST(Resources, IdsFileNumbersAndNamesUnderOneKey) {
  const struct {
    ResourceId id;
    bool number;
    std::string key;
  } cases[] = {
      {139, true, "139"},
      {"#139", true, "139"},
      {"#007", true, "7"},
      {"startu", false, "STARTU"},
      {"MaxOrgD", false, "MAXORGD"},
      {"#-1", false, "#-1"},
      {"#", false, "#"},
      {-5, false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(c.id.IsNumber(), c.number);
    EXPECT_EQ(c.id.Key(), c.key);
  }
}
