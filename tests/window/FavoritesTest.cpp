// Favorites.ini: the menu it builds, whatever the file holds, and what its entries open.

#include "window/frame/Favorites.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"
#include "window/browser/TWebBrowser.h"
#include "window/frame/AddressBox.h"
#include "window/frame/FavoritesMenu.h"
#include "window/main/TfrmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <algorithm>
#include <fstream>

#include <sys/stat.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class Favorites : public ::testing::Test {
protected:
    std::string AppPath() const { return dir.Path() + "/"; }
    void Write(const std::string& Text) {
        ForceDirectories(dir / "bin");
        std::ofstream(dir / "bin/Favorites.ini", std::ios::binary) << Text;
    }
    QStringList Build(QMenu& Menu, QString* File = nullptr) {
        const QString file = BuildFavoritesMenu(
            Menu, AppPath(), [this](QAction* a) { dirs << a->data().toString(); },
            [this](QAction* a) { urls << a->data().toString(); });
        if (File)
            *File = file;
        QStringList captions;
        for (QAction* a : Menu.actions())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return captions;
    }
    TempDir dir;
    QStringList dirs, urls;
};

} // namespace

TEST_F(Favorites, EntriesFollowTheFileOrderAfterSeparators) {
    Write("[URLS]\r\nphpMyAdmin=http://{LOCALHOST:PORT}/phpmyadmin/\r\nSite=http://x/\r\n"
          "[DIRS]\r\nWeb folder={APPDIR}/www\r\nData & logs=data\r\n[OTHER]\r\nIgnored=1\r\n");
    QMenu menu;
    QString file;
    EXPECT_EQ(Build(menu, &file),
              (QStringList{"-", "Web folder", "Data && logs", "-", "phpMyAdmin", "Site"}));
    EXPECT_EQ(file.toStdString(), GetShortPath(dir / "bin/Favorites.ini"));
    menu.actions().at(2)->trigger();
    menu.actions().at(5)->trigger();
    EXPECT_EQ(dirs, QStringList{"Data & logs"});
    EXPECT_EQ(urls, QStringList{"Site"});
}

TEST_F(Favorites, AMissingFileGivesNoEntriesAndAnEmptySectionStillItsSeparators) {
    QMenu menu;
    QString file = "x";
    EXPECT_TRUE(Build(menu, &file).isEmpty());
    EXPECT_TRUE(file.isEmpty());

    Write("[URLS]\nHome=http://{localhost:port}/\n");
    QMenu second;
    EXPECT_EQ(Build(second), (QStringList{"-", "-", "Home"}));
}

TEST_F(Favorites, PlaceholdersAreReplacedInAnyCaseAndRelativeFoldersCountFromTheProgram) {
    Write("[DIRS]\nWeb={appdir}/www\nData=data\nAbs=/var/tmp\nNone=\n"
          "[URLS]\nAdmin=http://{Localhost:Port}/phpmyadmin/?a={LOCALHOST:PORT}\n"
          "Outside=https://example.org/{UNKNOWN}\n");
    const std::string file = dir / "bin/Favorites.ini";
    EXPECT_EQ(DirFavoriteFolder(file, "Web", "/opt/app"), "/opt/app/www");
    EXPECT_EQ(DirFavoriteFolder(file, " Data ", "/opt/app"), "/opt/app/data");
    EXPECT_EQ(DirFavoriteFolder(file, "Abs", "/opt/app"), "/var/tmp");
    EXPECT_EQ(DirFavoriteFolder(file, "None", "/opt/app"), "");
    EXPECT_EQ(DirFavoriteFolder(file, "Gone", "/opt/app"), "");
    // At the root the program folder keeps its separator.
    EXPECT_EQ(DirFavoriteFolder(file, "Web", "/"), "/www");
    EXPECT_EQ(UrlFavoriteAddress(file, "Admin", "127.0.0.1:8080"),
              "http://127.0.0.1:8080/phpmyadmin/?a=127.0.0.1:8080");
    EXPECT_EQ(UrlFavoriteAddress(file, "Outside", "127.0.0.1:8080"),
              "https://example.org/{UNKNOWN}");
    EXPECT_EQ(UrlFavoriteAddress(file, "Gone", "127.0.0.1:8080"), "");
}

TEST_F(Favorites, HugeAndOddFilesStillBuildAUsableMenu) {
    std::string text = "[DIRS]\n";
    for (int i = 0; i < 3000; ++i)
        text += "Folder " + std::to_string(i) + "=" + std::string(2000, 'x') + "\n";
    text += "=no key\n[URLS]\n" + std::string(5000, 'k') + "=v\n[BROKEN\nbroken line\n";
    text += std::string("\xff\xfe binary \x01\x02=\x03\n");
    Write(text);
    QMenu menu;
    const QStringList captions = Build(menu);
    // The key list of a section is read through a buffer of fixed size: the first keys that fit.
    EXPECT_GT(captions.size(), 1000);
    EXPECT_EQ(captions.at(1), "Folder 0");
    EXPECT_EQ(captions.count("-"), 2);
    EXPECT_TRUE(captions.contains(QString(5000, QLatin1Char('k'))));
}

TEST_F(Favorites, AnUrlEntryNavigatesTheWindowAndEditsTakeEffectAtTheNextClick) {
    Write("[URLS]\nPage=data:text/html,<title>first</title>\n");
    TfrmMain frm(1);
    frm.State().AppTitle = "Demo";
    frm.UseProfile(PrivateProfile());
    frm.Favorites().SetFile(QString::fromStdString(dir / "bin/Favorites.ini"));
    QAction entry(QStringLiteral("Page"));
    entry.setData(QStringLiteral("Page"));
    frm.Favorites().UrlMenuItemClick(&entry);
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "first - Demo"; }));
    Write("[URLS]\nPage=data:text/html,<title>second</title>\n");
    frm.Favorites().UrlMenuItemClick(&entry);
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "second - Demo"; }));
    // A key deleted since empties the box and asks for the empty address.
    Write("[URLS]\n");
    frm.Favorites().UrlMenuItemClick(&entry);
    EXPECT_EQ(Part<QComboBox>(frm, "cboAddress")->currentText(), "");
    // Without the file nothing happens.
    frm.Favorites().SetFile(QString());
    frm.AddressBox().SetText("kept");
    frm.Favorites().UrlMenuItemClick(&entry);
    EXPECT_EQ(Part<QComboBox>(frm, "cboAddress")->currentText(), "kept");
}

TEST_F(Favorites, FolderEntriesAndOrganizeOpenTheDesktopsOpenerOnlyForWhatExists) {
    TempDir bin, out, folder;
    // A recorder in place of the desktop's opener: it writes down what it was asked to open.
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" << (out / "log")
        << "'\n";
    chmod((bin / "xdg-open").c_str(), 0755);
    Write("[DIRS]\nExisting=" + folder.Path() + "\nMissing=/no/such/folder\nHere=.\n");
    TfrmMain frm(1);
    frm.Favorites().SetFile(QString::fromStdString(dir / "bin/Favorites.ini"));
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", bin.Path().c_str(), 1);
    for (const char* key : {"Missing", "Existing", "Here"}) {
        QAction entry(QString::fromLatin1(key));
        entry.setData(QString::fromLatin1(key));
        frm.Favorites().DirMenuItemClick(&entry);
    }
    frm.Favorites().OrganizeClick();
    setenv("PATH", savedPath.c_str(), 1);
    std::string log;
    EXPECT_TRUE(WaitUntil([&] {
        log = PathExists(out / "log") ? ReadFile(out / "log") : std::string();
        return std::count(log.begin(), log.end(), '\n') >= 3;
    }));
    EXPECT_NE(log.find(folder.Path() + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find(TKo::GetAppDir() + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find(GetShortPath(dir / "bin/Favorites.ini") + "\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("/no/such"), std::string::npos) << log;
}
