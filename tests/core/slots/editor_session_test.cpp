#include "core/slots/editor_session.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A session whose stores, forgettings and endings are logged in order.
struct Session {
    Session() {
        session.onForgotten = [this] { log.push_back("forgotten"); };
        session.onDone = [this] { log.push_back("done"); };
    }
    std::vector<std::string> log;
    app::EditorSession session{[this](int i, const editor::SlotTarget& t) {
        log.push_back("store " + std::to_string(i) + " " + t.displayText + " " + t.actionString);
    }};
};

}  // namespace

TEST(EditorSession, AddStoresThePicksForTheLastOpenedSlotAndKeepsThemForTheNext) {
    Session s;
    s.session.open(1);
    s.session.choose(0, "Ctrl");
    s.session.choose(2, "C");  // a blank picker between leaves no gap
    s.session.open(8);         // brought back through the tray, another slot clicked
    s.session.add();
    s.session.open(5);
    s.session.add();
    EXPECT_EQ(s.log,
              (std::vector<std::string>{"store 8 Ctrl + C 2|17|67", "done", "store 5 Ctrl + C 2|17|67", "done"}));
}

TEST(EditorSession, WithoutKeyOneAddStoresNothingButTheEditorIsDoneAllTheSame) {
    Session s;
    s.session.open(3);
    s.session.choose(1, "Ctrl");
    s.session.choose(2, "C");
    s.session.add();
    s.session.choose(0, "A");
    s.session.choose(0, "");  // picked, then the blank entry
    s.session.add();
    EXPECT_EQ(s.log, (std::vector<std::string>{"done", "done"}));
}

TEST(EditorSession, CloseForgetsThePicksSoTheNextOpeningStartsBlank) {
    Session s;
    s.session.open(2);
    s.session.choose(0, "Shift");
    s.session.choose(1, "F");
    s.session.close();
    EXPECT_EQ(s.log, (std::vector<std::string>{"forgotten", "done"})) << "the pickers go blank before the editor goes";
    EXPECT_TRUE(s.session.composer().codePiece(0).empty());

    s.log.clear();
    s.session.open(7);
    s.session.add();
    EXPECT_EQ(s.log, std::vector<std::string>{"done"}) << "a fresh session writes nothing";
    s.session.choose(0, "F");
    s.session.add();
    EXPECT_EQ(s.log.back(), "done");
    EXPECT_EQ(s.log[1], "store 7 F 1|70") << "only what was picked after the close";
}
