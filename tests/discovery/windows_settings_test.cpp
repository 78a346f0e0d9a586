#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/descmap.h"
#include "discovery/eudora_ini.h"

namespace {

using discovery::DescmapEntry;

std::string Entries(const std::string& bytes) {
  std::string out;
  for (const DescmapEntry& e : discovery::ParseDescmap(bytes))
    out += "[" + e.displayName + "|" + e.fileName + "|" + std::string(1, e.type) + "]";
  return out;
}

TEST(ParseDescmap, ReadsEntriesWhateverTheirNamesHold) {
  struct Row {
    const char* what;
    std::string bytes;
    std::string entries;
  };
  const Row rows[] = {
      {"Eudora's own", "In,In.mbx,S,Y\r\nOut,Out.mbx,S,N\r\nProjects,Projects.fol,F,N\r\n",
       "[In|In.mbx|S][Out|Out.mbx|S][Projects|Projects.fol|F]"},
      {"8.3 file names, LF and CR ends, no last line end", "Old Letters,OLDLET~1.MBX,M,N\nA/B,AB.MBX,M,N\rx,x.mbx,M,N",
       "[Old Letters|OLDLET~1.MBX|M][A/B|AB.MBX|M][x|x.mbx|M]"},
      {"quoted, with commas and quotes", "\"Smith, John\",Smith.mbx,M,N\r\n\"Say \"\"hi\"\"\",\"a,b.mbx\",M,N\r\n",
       "[Smith, John|Smith.mbx|M][Say \"hi\"|a,b.mbx|M]"},
      {"commas in both names, file made from the display name", "Smith, John,Smith, John.mbx,M,N\r\n",
       "[Smith, John|Smith, John.mbx|M]"},
      {"commas, file name unrelated: the last comma splits", "A, B,AB1.mbx,M,N\r\n", "[A, B|AB1.mbx|M]"},
      {"without the flag", "In,In.mbx,S\r\n", "[In|In.mbx|S]"},
      {"Windows Latin 1 name", "Caf\xE9,Cafe.mbx,M,N\r\n", "[Caf\xC3\xA9|Cafe.mbx|M]"},
      {"junk", "\r\n\r\nno commas\r\n,In.mbx,S,N\r\nIn,,S,N\r\nIn,In.mbx,SS,NN\r\n\0\0\0", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(Entries(row.bytes), row.entries) << row.what;
}

TEST(DisplayNameAsFileName, KeepsTheNameInItsFolder) {
  EXPECT_EQ(discovery::DisplayNameAsFileName("Clients/2004"), "Clients_2004");
  EXPECT_EQ(discovery::DisplayNameAsFileName(std::string("a\0b\tc", 5)), "a_b_c");
  EXPECT_EQ(discovery::DisplayNameAsFileName("R\xC3\xA9sum\xC3\xA9s"), "R\xC3\xA9sum\xC3\xA9s");
  for (const char* unusable : {"", ".", ".."}) EXPECT_FALSE(discovery::DisplayNameAsFileName(unusable)) << unusable;
  EXPECT_EQ(discovery::DisplayNameAsFileName("..."), "...");
}

TEST(EudoraIniValue, FindsTheKeyOfItsSection) {
  const std::string ini =
      "[Other]\r\nAttachDir=C:\\wrong\r\n"
      "[ settings ]\r\nRealName=Eudora Test\r\n  attachdir = C:\\Users\\u\\My Files  \r\nAttachDir=C:\\second\r\n"
      "[Next]\r\nAttachDir=C:\\later\r\n";
  EXPECT_EQ(discovery::EudoraIniAttachDir(ini), "C:\\Users\\u\\My Files");
  EXPECT_EQ(discovery::EudoraIniValue(ini, "Settings", "RealName"), "Eudora Test");
  EXPECT_EQ(discovery::EudoraIniValue(ini, "Settings", "Missing"), "");
  EXPECT_EQ(discovery::EudoraIniAttachDir("AttachDir=C:\\before any section\n"), "");
  EXPECT_EQ(discovery::EudoraIniAttachDir("[Settings]\nAttachDir=C:\\Pi\xE8" "ces\n"), "C:\\Pi\xC3\xA8" "ces");
  EXPECT_EQ(discovery::EudoraIniAttachDir("[Settings\nAttachDir=x\n"), "");
}

}  // namespace
