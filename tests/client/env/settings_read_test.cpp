// Reading the settings of a connection: each setting's default, range and
// error, the reading order and the first-error rule.
#include <arpa/inet.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "settings_fixture.h"

namespace settings_test {
namespace {

using Check = std::function<void(const clt_env&)>;

struct Row {
  const char* title;
  Vars vars;
  const char* variable = nullptr;  // null: the reading succeeds
  const char* reason = nullptr;
  Check check = nullptr;
  int16_t kind = 0;
  const char* prefix = nullptr;    // caller mark of the request area
};

class ReadTest : public SettingsTest {
 protected:
  void run(const std::vector<Row>& rows) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.title);
      clear_vars();
      reset_block();
      conn_.kind = row.kind;
      if (row.prefix != nullptr) std::memcpy(area_.prefix, row.prefix, sizeof area_.prefix);
      set_all(row.vars);
      const int32_t rc = read();
      if (row.variable == nullptr) {
        EXPECT_EQ(rc, 0) << report_.message;
        EXPECT_EQ(report_.count, 0);
      } else {
        EXPECT_EQ(rc, -1);
        EXPECT_EQ(report_.count, 1);
        EXPECT_EQ(report_.sqlcode, CLT_SQLCODE_ENV_ERROR);
        EXPECT_EQ(report_.message, env_error(row.variable, row.reason));
      }
      if (row.check) row.check(env());
    }
    clear_vars();
  }
  std::string user() const { return text_area(CLT_TXT_USER); }
  std::string password() const { return text_area(CLT_TXT_PASSWORD); }
};

constexpr const char* RANGE = "OUT OF RANGE";
constexpr const char* CHAR = "INVALID CHAR";
constexpr const char* NOVAL = "NO VALUE";

TEST_F(ReadTest, ConnectionAndWaitSettings) {
  run({
      {"port 5000", {{"PDNAMEPORT", "5000"}}, "PDNAMEPORT", RANGE},
      {"port 65535", {{"PDNAMEPORT", "65535"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdnameport, 65535);
         EXPECT_EQ(e.nameport_cur, 65535);
         EXPECT_EQ(e.nameport_disp, 65535);
       }},
      {"port empty", {{"PDNAMEPORT", ""}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdnameport, 20000); }},
      {"port with blank", {{"PDNAMEPORT", "20000 "}}, "PDNAMEPORT", CHAR},
      {"front-end hosts", {{"PDFESHOST", "h1:5001,h2"}, {"PDSERVICEGRP", "grp"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_STREQ(e.pdfeshost, "h1:5001,h2");
         EXPECT_STREQ(e.pdservicegrp, "grp");
       }},
      {"front-end port 80", {{"PDFESHOST", "h1:80"}}, "PDFESHOST", RANGE},
      {"front-end port x", {{"PDFESHOST", "h1:5001,h2:x"}}, "PDFESHOST", CHAR},
      {"front-end without group", {{"PDFESHOST", "h1:5001"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_STREQ(e.pdfeshost, "");
         EXPECT_STREQ(e.pdfeshost_copy, "h1:5001");
       }},
      {"group without front-end", {{"PDSERVICEGRP", "grp"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_STREQ(e.pdservicegrp, "");
         EXPECT_STREQ(e.pdservicegrp_copy, "grp");
       }},
      {"group too long", {{"PDSERVICEGRP", std::string(32, 'g')}}, "PDSERVICEGRP", RANGE},
      {"host too long", {{"PDHOST", std::string(512, 'h')}}, "PDHOST", RANGE},
      {"wait absent", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcwaittime, 0);
         EXPECT_EQ(e.not_given & CLT_NOTGIVEN_CWAITTIME, CLT_NOTGIVEN_CWAITTIME);
         EXPECT_EQ(e.pdswaittime, 600);
       }},
      {"wait given", {{"PDCWAITTIME", "30"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcwaittime, 30);
         EXPECT_EQ(e.not_given & CLT_NOTGIVEN_CWAITTIME, 0u);
       }},
      {"wait too large", {{"PDSWAITTIME", "65536"}}, "PDSWAITTIME", RANGE},
      {"retry interval 29", {{"PDRETRYINTERVAL", "29"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdretryinterval, 700000); }},
      {"retry interval 30", {{"PDRETRYINTERVAL", "30"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdretryinterval, 30000); }},
      {"lenient values", {{"PDTRCMDL", "100"}, {"PDSOCNUM", "200"}, {"PDCACHE", "1"}, {"PDRETRYCOUNT", "x"}}, nullptr,
       nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtrcmdl, 0);
         EXPECT_EQ(e.pdsocnum, 6);
         EXPECT_EQ(e.pdcache, 8);
         EXPECT_EQ(e.pdretrycount, 10);
         EXPECT_EQ(e.pdtimedoutretry, 2);
       }},
      {"watch time 0", {{"PDSWATCHTIME", "0"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdswatchtime, -1); }},
      {"watch time 70000", {{"PDSWATCHTIME", "70000"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdswatchtime, 0); }},
      {"watch time letters", {{"PDSWATCHTIME", "1x"}}, "PDSWATCHTIME", CHAR},
      {"watch time beyond 32 bits", {{"PDSWATCHTIME", "99999999999"}}, "PDSWATCHTIME", RANGE},
  });
}

TEST_F(ReadTest, UserAndApplication) {
  const std::string u30(30, 'u'), u31(31, 'u');
  run({
      {"user and password", {{"PDUSER", "usr/pw/x"}}, nullptr, nullptr, nullptr},
      {"single quotes", {{"PDUSER", "'usr/pw'"}}, nullptr, nullptr, nullptr},
      {"leading slash", {{"PDUSER", "/pw"}}, "PDUSER", NOVAL},
      {"slash after quote", {{"PDUSER", "'/pw'"}}, "PDUSER", CHAR},
      {"no closing quote", {{"PDUSER", "'usr/pw"}}, "PDUSER", CHAR},
      {"empty quotes", {{"PDUSER", "''"}}, "PDUSER", CHAR},
      {"lone quote", {{"PDUSER", "'"}}, "PDUSER", CHAR},
      {"open password quote", {{"PDUSER", "usr/\"pw"}}, "PDUSER", CHAR},
      {"31 characters", {{"PDUSER", u31}}, "PDUSER", RANGE},
      {"31 in double quotes", {{"PDUSER", "\"" + u31 + "\""}}, "PDUSER", RANGE},
      {"30 in double quotes", {{"PDUSER", "\"" + u30 + "\""}}, nullptr, nullptr, nullptr},
      {"31-character password", {{"PDUSER", "usr/" + u31}}, "PDUSER", RANGE},
      {"application name cut", {{"PDCLTAPNAME", std::string(40, 'a')}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(std::string(e.pdcltapname), std::string(30, 'a')); }},
      {"application name absent", {}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_STREQ(e.pdcltapname, "Unknown"); }},
  });

  struct Parts {
    const char* value;
    const char* user;
    const char* password;
  };
  for (const Parts& p : {Parts{"usr/pw/x", "usr", "pw/x"}, Parts{"'usr/pw'", "usr", "pw"},
                         Parts{"\"Usr\"/\"Pw\"", "\"Usr\"", "\"Pw\""}, Parts{"usr/", "usr", ""},
                         Parts{"'usr'", "usr", ""}}) {
    SCOPED_TRACE(p.value);
    reset_block();
    set("PDUSER", p.value);
    ASSERT_EQ(read(), 0) << report_.message;
    EXPECT_EQ(user(), p.user);
    EXPECT_EQ(password(), p.password);
  }
}

TEST_F(ReadTest, AbsentUserNeedsOneInTheRequest) {
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(user(), "");

  reset_block();
  std::memset(area_.authid, ' ', sizeof area_.authid);
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDUSER", NOVAL));

  reset_block();
  std::memcpy(area_.reqcode, "RNCN", sizeof area_.reqcode);
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDUSER", NOVAL));
}

TEST_F(ReadTest, DirectoriesAndTraceSettings) {
  run({
      {"client path given", {{"PDCLTPATH", "/tmp/trc"}}, nullptr, nullptr, nullptr},
      {"client path too long", {{"PDCLTPATH", "/" + std::string(256, 'p')}}, "PDCLTPATH", RANGE},
      {"report path too long", {{"PDREPPATH", std::string(257, 'p')}}, "PDREPPATH", RANGE},
      {"trace-control path absent", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.trcctl_size, -1);
         EXPECT_EQ(e.trcctl_bits, 0);
       }},
      {"sql trace 0", {{"PDSQLTRACE", "0"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqltrace, 0);
         EXPECT_EQ(e.sqltrace_flag, 'Y');
       }},
      {"sql trace absent", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqltrace, -1);
         EXPECT_EQ(e.sqltrace_flag, 'N');
         EXPECT_EQ(e.pduaperlog, 65536);
         EXPECT_EQ(e.uaperlog_given, 'N');
       }},
      {"sql trace 4095", {{"PDSQLTRACE", "4095"}}, "PDSQLTRACE", RANGE},
      {"sql trace -1", {{"PDSQLTRACE", "-1"}}, "PDSQLTRACE", CHAR},
      {"error log 2000000001", {{"PDUAPERLOG", "2000000001"}}, "PDUAPERLOG", RANGE},
      {"error log given", {{"PDUAPERLOG", "4096"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.uaperlog_given, 'Y'); }},
      {"socket trace 1", {{"PDTRCSOC", "1"}, {"PDTRCSOCSIZE", "128"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtrcsoc, 2000000000);
         EXPECT_EQ(e.trcsoc_datasize, 36864);
       }},
      {"socket size 10", {{"PDTRCSOC", "8192"}, {"PDTRCSOCSIZE", "10"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtrcsoc, 0);
         EXPECT_EQ(e.trcsoc_datasize, 0);
       }},
      {"socket size letters", {{"PDTRCSOC", "8192"}, {"PDTRCSOCSIZE", "ab"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdtrcsoc, 0); }},
      {"socket size absent", {{"PDTRCSOC", "8192"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtrcsoc, 8192);
         EXPECT_EQ(e.trcsoc_datasize, 256);
       }},
      {"socket trace off", {{"PDTRCSOCSIZE", "128"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.trcsoc_datasize, 0); }},
      {"error echo", {{"PDERRSTD", "yes"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pderrstd, 'Y'); }},
      {"error echo other", {{"PDERRSTD", "no"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pderrstd, 'N'); }},
      {"report letters", {{"PDUAPREPLVL", "spu"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pduapreplvl, 7);
         EXPECT_STREQ(e.uapreplvl_text, "spu");
       }},
      {"report all", {{"PDUAPREPLVL", "a"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pduapreplvl, 23); }},
      {"report upper case", {{"PDUAPREPLVL", "S"}}, "PDUAPREPLVL", CHAR},
      {"report u on kind 1", {{"PDUAPREPLVL", "u"}, {"PDSQLTRACE", "8192"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pduapreplvl, 0);
         EXPECT_EQ(e.pdsqltrace, -1);
       },
       1},
      {"access-path option", {{"PDAPBOPT", "p"}, {"PDUAPREPLVL", "a"}, {"PDTRCPATH", "/tmp"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pduapreplvl, 0);
         EXPECT_EQ(e.pdapbopt, 12);
         EXPECT_EQ(e.trcctl_size, -1);
         EXPECT_EQ(e.libinst_xfer_size, 102400);
       }},
      {"access-path option other", {{"PDAPBOPT", "x"}}, "PDAPBOPT", CHAR},
  });
  // The client path defaults to the working directory.
  reset_block();
  ASSERT_EQ(read(), 0);
  char cwd[512];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(text_area(CLT_TXT_CLTPATH), cwd);
}

TEST_F(ReadTest, ServerOptionsAndKeywords) {
  run({
      {"lock skip exact", {{"PDLOCKSKIP", "YES"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdlockskip, 'Y'); }},
      {"lock skip no", {{"PDLOCKSKIP", "NO"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdlockskip, 0); }},
      {"lock skip lower case", {{"PDLOCKSKIP", "yes"}}, "PDLOCKSKIP", CHAR},
      {"lock skip blank", {{"PDLOCKSKIP", " YES"}}, "PDLOCKSKIP", CHAR},
      {"warning keyword", {{"PDEXWARN", "YES "}}, "PDEXWARN", CHAR},
      {"db log", {{"PDDBLOG", "NON"}, {"PDDFLNVAL", "USE"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pddblog, 2);
         EXPECT_EQ(e.pddflnval, 'Y');
       }},
      {"error check skip long", {{"PDERCKSKIP", "YY"}}, "PDERCKSKIP", RANGE},
      {"error check skip char", {{"PDERCKSKIP", "X"}}, "PDERCKSKIP", CHAR},
      {"isolation 12", {{"PDISLLVL", "12"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdisllvl, 12); }},
      {"isolation 3", {{"PDISLLVL", "3"}}, "PDISLLVL", RANGE},
      {"defaults", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdisllvl, 2);
         EXPECT_EQ(e.pdsqllvl, -1);
         EXPECT_EQ(e.pdaggr, 1024);
         EXPECT_EQ(e.pddlkprio, 64);
         EXPECT_EQ(e.pdsqloptlvl, -1);
         EXPECT_EQ(e.pdadditionaloptlvl, -1);
         EXPECT_EQ(e.pdcltemprate, -1);
         EXPECT_EQ(e.pdblkf, 1);
         EXPECT_EQ(e.pdrdablkf, 65535);
         EXPECT_EQ(e.pderckskip, 'N');
         EXPECT_EQ(e.pdtrclvl, 2);
         EXPECT_EQ(e.pdodbescape, 0);
       }},
      {"hex debug", {{"PDSQADEBUG", "0x1F"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdsqadebug, 31); }},
      {"hex debug lenient", {{"PDSQADEBUG", "zz"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdsqadebug, 0); }},
      {"escape 0", {{"PDODBESCAPE", "0"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdodbescape, 1); }},
      {"escape 1", {{"PDODBESCAPE", "1"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdodbescape, 0); }},
      {"escape 5", {{"PDODBESCAPE", "5"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdodbescape, 0); }},
      {"deadlock priority 48", {{"PDDLKPRIO", "48"}}, "PDDLKPRIO", RANGE},
      {"deadlock priority letters", {{"PDDLKPRIO", "9x"}}, "PDDLKPRIO", CHAR},
      {"deadlock priority beyond 32 bits", {{"PDDLKPRIO", "99999999999"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pddlkprio, 64); }},
      {"deadlock priority for *RBD", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pddlkprio, 96); }, 1, "*RBD"},
      {"deadlock priority *RBD kind 0", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pddlkprio, 64); }, 0,
       "*RBD"},
      {"block rows 4097", {{"PDBLKF", "4097"}}, "PDBLKF", RANGE},
      {"empty rate 0", {{"PDCLTEMPRATE", "0"}}, "PDCLTEMPRATE", RANGE},
      {"server code EUCHJ", {{"PDSRVTYPE", "ZUM4"}, {"PDRDCLTCODE", "EUCHJ"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(std::string(e.rdcltcode, 2), "3j");
         EXPECT_STREQ(e.rdlocale, "ja_JP.HJ");
       }},
      {"server code UTF-8", {{"PDSRVTYPE", "ZUM4"}, {"PDRDCLTCODE", "UTF-8"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(std::string(e.rdcltcode, 2), "5u"); }},
      {"server code unknown", {{"PDSRVTYPE", "ZUM4"}, {"PDRDCLTCODE", "EUC"}}, "PDRDCLTCODE", CHAR},
      {"server code not read", {{"PDSRVTYPE", "PC"}, {"PDRDCLTCODE", "EUC"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.rdcltcode[0], '\0');
         EXPECT_EQ(e.pdsrvtype, 1);
       }},
      {"optimisation list", {{"PDSQLOPTLVL", "FORCE_NEST_JOIN, PRIOR_OR_INDEXES"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqloptlvl, 132);
         EXPECT_STREQ(e.sqloptlvl_text, "FORCE_NEST_JOIN,PRIOR_OR_INDEXES");
       }},
      {"optimisation list quoted blanks", {{"PDSQLOPTLVL", "\" 4\",\t8"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqloptlvl, 12);
         EXPECT_STREQ(e.sqloptlvl_text, "\" 4\",8");
       }},
      {"optimisation number -4", {{"PDSQLOPTLVL", "-4"}}, "PDSQLOPTLVL", RANGE},
      {"optimisation list too long", {{"PDSQLOPTLVL", std::string(576, '4')}}, "PDSQLOPTLVL", RANGE},
      {"additional list", {{"PDADDITIONALOPTLVL", "COST_BASE_2,APPLY_HASH_JOIN"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdadditionaloptlvl, 3);
         EXPECT_STREQ(e.addoptlvl_text, "COST_BASE_2,APPLY_HASH_JOIN");
       }},
  });
  // Option-list faults name the refused item; a trailing comma names none.
  const std::pair<const char*, std::string> idents[] = {
      {"COST_BASE_2", "COST_BASE_2"}, {"4,", ""}, {"force_nest_join,bad_one", "bad_one"}};
  for (const auto& [value, ident] : idents) {
    SCOPED_TRACE(value);
    reset_block();
    clear_vars();
    set("PDSQLOPTLVL", value);
    ASSERT_EQ(read(), -1);
    EXPECT_EQ(report_.message,
              "KFPA11724-E Environment definition error, variable=PDSQLOPTLVL, reason=INVALID IDENTIFIER, identifier=" +
                  ident);
  }
}

TEST_F(ReadTest, ConversionAndTransportSettings) {
  const std::string gaiji80(80, 'g');
  run({
      {"conversion lower case", {{"PDCLTCNVMODE", "utf8"}}, "PDCLTCNVMODE", CHAR},
      {"conversion UTF8_EX", {{"PDCLTCNVMODE", "UTF8_EX"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcltcnvmode, 13);
         EXPECT_STREQ(e.plugin_env.items, "CM=U");
       }},
      {"conversion UTF8_EX2", {{"PDCLTCNVMODE", "UTF8_EX2"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcltcnvmode, 14);
         EXPECT_STREQ(e.plugin_env.items, "CM=U");
       }},
      {"auto with server code", {{"PDCLTCNVMODE", "AUTO"}, {"PDSRVTYPE", "ZUM4"}, {"PDRDCLTCODE", "UTF-8"}},
       "PDCLTCNVMODE", CHAR},
      {"auto with SJIS", {{"PDCLTCNVMODE", "AUTO"}, {"PDSRVTYPE", "ZUM4"}, {"PDRDCLTCODE", "SJIS"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcltcnvmode, 1);
         EXPECT_STREQ(e.plugin_env.items, "CM=A");
       }},
      {"gaiji defaults", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_STREQ(e.pdcltgaijifunc, "convert");
         EXPECT_STREQ(e.pdcltgaijidll, "");
       }},
      {"gaiji library too long", {{"PDCLTGAIJIDLL", gaiji80}}, "PDCLTGAIJIDLL", CHAR},
      {"gaiji function too long", {{"PDCLTGAIJIFUNC", gaiji80}}, "PDCLTGAIJIFUNC", CHAR},
      {"no-delay YES", {{"PDCLTNODELAY", "YES"}}, "PDCLTNODELAY", RANGE},
      {"no-delay y", {{"PDCLTNODELAY", "y"}}, "PDCLTNODELAY", CHAR},
      {"client group a", {{"PDCLTGRP", "a"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdcltgrp, 'A'); }},
      {"client group 4", {{"PDCLTGRP", "4"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdcltgrp, '4'); }},
      {"client group 5", {{"PDCLTGRP", "5"}}, "PDCLTGRP", CHAR},
      {"client group AB", {{"PDCLTGRP", "AB"}}, "PDCLTGRP", RANGE},
      {"client group default", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdcltgrp, '2'); }},
      {"client group kind 1", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdcltgrp, '8'); }, 1},
      {"client group area D", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdcltgrp, '9'); }, 1, "*RBD"},
      {"service port 5000", {{"PDSERVICEPORT", "5000"}}, "PDSERVICEPORT", RANGE},
      {"service port trailing comma", {{"PDSERVICEPORT", "5001,"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_STREQ(e.pdserviceport, "5001,");
         EXPECT_STREQ(e.serviceport_disp, "5001,");
       }},
      {"service port letter", {{"PDSERVICEPORT", "5001,a"}}, "PDSERVICEPORT", CHAR},
      {"service port empty item", {{"PDSERVICEPORT", ",5001"}}, "PDSERVICEPORT", RANGE},
      {"service port 16 characters", {{"PDSERVICEPORT", "5001,5002,5003,x"}}, "PDSERVICEPORT", RANGE},
      {"receive port 5000", {{"PDCLTRCVPORT", "5000"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.rcvport_low, 5000);
         EXPECT_EQ(e.rcvport_high, 5000);
       }},
      {"receive range", {{"PDCLTRCVPORT", "5000-6000"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.rcvport_low, 5000);
         EXPECT_EQ(e.rcvport_high, 6000);
         EXPECT_STREQ(e.pdcltrcvport, "5000-6000");
       }},
      {"receive range reversed", {{"PDCLTRCVPORT", "6000-5000"}}, "PDCLTRCVPORT", RANGE},
      {"receive range from 0", {{"PDCLTRCVPORT", "0-6000"}}, "PDCLTRCVPORT", RANGE},
      {"receive range beyond 65535", {{"PDCLTRCVPORT", "6000-65536"}}, "PDCLTRCVPORT", RANGE},
      {"receive port 0", {{"PDCLTRCVPORT", "0"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.rcvport_high, 0); }},
      {"receive port 4999", {{"PDCLTRCVPORT", "4999"}}, "PDCLTRCVPORT", RANGE},
      {"receive port letters", {{"PDCLTRCVPORT", "50x"}}, "PDCLTRCVPORT", CHAR},
      {"receive port absent", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_STREQ(e.pdcltrcvport, "0"); }},
      {"receive address", {{"PDCLTRCVADDR", "10.0.0.1"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.rcvaddr, inet_addr("10.0.0.1"));
         EXPECT_STREQ(e.rcvaddr_host, "");
         EXPECT_STREQ(e.rcvaddr_disp, "10.0.0.1");
       }},
      {"receive host", {{"PDCLTRCVADDR", "10.0.0"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.rcvaddr, 0u);
         EXPECT_STREQ(e.rcvaddr_host, "10.0.0");
       }},
      {"receive broadcast", {{"PDCLTRCVADDR", "255.255.255.255"}}, "PDCLTRCVADDR", CHAR},
      {"receive address 300", {{"PDCLTRCVADDR", "10.0.0.300"}}, "PDCLTRCVADDR", CHAR},
      {"receive host too long", {{"PDCLTRCVADDR", std::string(256, 'h')}}, "PDCLTRCVADDR", CHAR},
      {"linger too large", {{"PDCLTLINGER", "65536"}}, "PDCLTLINGER", RANGE},
      {"service name too long", {{"DCSERVICE", std::string(32, 's')}}, "DCSERVICE", RANGE,
       [](const clt_env& e) { EXPECT_STREQ(e.dcservice, ""); }},
      {"server type", {{"PDSRVTYPE", "XX"}}, "PDSRVTYPE", CHAR},
      {"option letters", {{"PDCLTOPTIONSTR", "DxRRu"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.opt_d, 'Y');
         EXPECT_EQ(e.opt_r, 'Y');
         EXPECT_EQ(e.opt_u, 0);
         EXPECT_EQ(e.opt_x, 0);
       }},
      {"buffer sizes lenient", {{"PDCLTSNDBUFSIZE", "70000"}, {"PDCLTRCVBUFSIZE", "4096"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcltsndbufsize, 0);
         EXPECT_EQ(e.pdcltrcvbufsize, 4096);
       }},
      {"hash table letters", {{"PDHASHTBLSIZE", "abc"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdhashtblsize, -1); }},
      {"hash table 100", {{"PDHASHTBLSIZE", "100"}}, "PDHASHTBLSIZE", RANGE},
      {"space level 2", {{"PDSPACELVL", "2"}}, "PDSPACELVL", RANGE},
      {"space level absent", {}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdspacelvl, 255); }},
      {"space level 3", {{"PDSPACELVL", "3"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdspacelvl, 3); }},
      {"plug-in file size", {{"PDPLGPFSZEXP", "1048574000"}}, "PDPLGPFSZEXP", RANGE},
      {"debug 300", {{"RD_DEBUG1", "300"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.rd_debug1, 44); }},
      {"debug letter", {{"RD_DEBUG1", "a"}}, "RD_DEBUG1", RANGE},
      {"network error unread", {{"PDRDNETERR722", "bad"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdrdneterr722, 0); }},
      {"network error checked", {{"PDSRVTYPE", "ZUM4"}, {"PDRDNETERR722", "bad"}}, "PDRDNETERR722", CHAR},
      {"network error YES", {{"PDSRVTYPE", "ZUM4"}, {"PDRDNETERR722", "YES"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdrdneterr722, 1); }},
      {"tcp option", {{"PDTCPCONOPT", "1"}, {"PDTRCMODE", "NONE"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtcpconopt, 1);
         EXPECT_EQ(e.pdtrcmode, 2);
       }},
  });
}

TEST_F(ReadTest, ChannelRetryAndTraceFilterSettings) {
  run({
      {"memory channel 5 kB", {{"PDIPC", "MEMORY"}, {"PDSENDMEMSIZE", "5"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdipc, 'Y');
         EXPECT_EQ(e.opt_p, 'Y');
         EXPECT_EQ(e.pdsendmemsize, 8192u);
         EXPECT_EQ(e.pdrecvmemsize, 32768u);
       }},
      {"memory channel 4 kB", {{"PDIPC", "MEMORY"}, {"PDSENDMEMSIZE", "4"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdsendmemsize, 4096u); }},
      {"memory channel largest", {{"PDIPC", "MEMORY"}, {"PDRECVMEMSIZE", "2097152"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsendmemsize, 16384u);
         EXPECT_EQ(e.pdrecvmemsize, 2147483648u);
       }},
      {"memory size 3", {{"PDIPC", "MEMORY"}, {"PDSENDMEMSIZE", "3"}}, "PDSENDMEMSIZE", RANGE},
      {"memory channel second protocol", {{"PDIPC", "MEMORY"}, {"PDSRVTYPE", "ZUM4"}, {"PDSENDMEMSIZE", "x"}}, nullptr,
       nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdipc, 'N');
         EXPECT_EQ(e.opt_p, 0);
         EXPECT_EQ(e.pdsendmemsize, 0u);
         EXPECT_EQ(e.pdrecvmemsize, 0u);
       }},
      {"memory channel with report r", {{"PDIPC", "MEMORY"}, {"PDUAPREPLVL", "r"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdipc, 'N'); }},
      {"memory channel for *RBD", {{"PDIPC", "MEMORY"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdipc, 'N'); },
       0, "*RBD"},
      {"memory channel keyword", {{"PDIPC", "memory"}}, "PDIPC", CHAR},
      {"parameter trace off", {{"PDPRMTRCSIZE", "abc"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdprmtrcsize, 256); }},
      {"parameter trace on", {{"PDPRMTRC", "INOUT"}, {"PDPRMTRCSIZE", "abc"}}, "PDPRMTRCSIZE", CHAR},
      {"parameter trace size", {{"PDPRMTRC", "IN"}, {"PDPRMTRCSIZE", "32008"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdprmtrc, 'I');
         EXPECT_EQ(e.pdprmtrcsize, 32008);
       }},
      {"retries off", {{"PDCNCTRTYCOUNT", "0"}, {"PDCNCTRTYWAITTIME", "99"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcnctrtycount, 0);
         EXPECT_EQ(e.pdcnctrtywaittime, 0);
       }},
      {"retry wait checked", {{"PDCNCTRTYWAITTIME", "99"}}, "PDCNCTRTYWAITTIME", RANGE},
      {"retry defaults", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcnctrtycount, 3);
         EXPECT_EQ(e.pdcnctrtywaittime, 2);
         EXPECT_EQ(e.pdautoconnect, 1);
         EXPECT_STREQ(e.autoconnect_disp, "");
         EXPECT_EQ(e.pddbaccs, -1);
         EXPECT_EQ(e.pdcltnodelay, 'Y');
         EXPECT_EQ(e.pdcltlinger, 30);
         EXPECT_EQ(e.pdplgpfsz, 8192);
         EXPECT_EQ(e.pdhubmode, 'N');
         EXPECT_EQ(e.pddsqlobjcache, 0);
         EXPECT_EQ(e.pdplgixmk, 'N');
       }},
      {"display keywords", {{"PDSQLTRCOPENMODE", "CNCT"}, {"PDAUTOCONNECT", "OFF"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqltrcopenmode, 1);
         EXPECT_STREQ(e.sqltrcopenmode_disp, "CNCT");
         EXPECT_EQ(e.pdautoconnect, 0);
         EXPECT_STREQ(e.autoconnect_disp, "OFF");
       }},
      {"warning point seconds", {{"PDCWAITTIMEWRNPNT", "30sec"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.wrnpnt_short, -1);  // 65535 as 16 bits
         EXPECT_EQ(e.wrnpnt_sec, 30);
         EXPECT_STREQ(e.wrnpnt_text, "30sec");
       }},
      {"warning point beyond the wait", {{"PDCWAITTIMEWRNPNT", "30sec"}, {"PDCWAITTIME", "20"}}, "PDCWAITTIMEWRNPNT",
       RANGE},
      {"warning point letters", {{"PDCWAITTIMEWRNPNT", "x"}}, "PDCWAITTIMEWRNPNT", CHAR},
      {"warning point absent", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.wrnpnt_sec, -1);
         EXPECT_EQ(e.wrnpnt_usec, -1);
         EXPECT_STREQ(e.wrnpnt_text, "-1");
       }},
      {"skip codes", {{"PDERRSKIPCODE", "-803,-811"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pderrskipcode[0], -803);
         EXPECT_EQ(e.pderrskipcode[1], -811);
         EXPECT_EQ(e.pderrskipcode[2], 0);
       }},
      {"skip codes 11 items", {{"PDERRSKIPCODE", "1,2,3,4,5,6,7,8,9,10,11"}}, "PDERRSKIPCODE", RANGE},
      {"skip code 11 characters", {{"PDERRSKIPCODE", "-1234567890"}}, "PDERRSKIPCODE", CHAR},
      {"plug-in blanks", {{"PDPLUGINNSUB", "   "}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.plugin_env.length, 16);
         EXPECT_STREQ(e.plugin_env.items, "CM=N");
       }},
      {"plug-in 83 characters", {{"PDPLUGINNSUB", std::string(83, 'v')}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.plugin_env.length, 96);
         EXPECT_EQ(std::string(e.plugin_env.items), "NSUB=" + std::string(83, 'v'));
         EXPECT_STREQ(e.plugin_env.items + 89, "CM=N");
       }},
      {"plug-in 84 characters", {{"PDPLUGINNSUB", std::string(84, 'v')}}, "PDPLUGIN*", RANGE},
      {"plug-in 83 with UCS-2 mode", {{"PDPLUGINNSUB", std::string(83, 'v')}, {"PDCLTCNVMODE", "UCS2_HJ"}}, "PDPLUGIN*",
       RANGE},
  });
}

TEST_F(ReadTest, LaterSettings) {
  run({
      {"write line off", {{"PDWRTLNPATH", std::string(300, 'p')}, {"PDWRTLNCOMSZ", "x"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdwrtlnfilsz, -1);
         EXPECT_EQ(e.pdwrtlncomsz, 1024);
       }},
      {"write line 4095", {{"PDWRTLNFILSZ", "4095"}}, "PDWRTLNFILSZ", RANGE},
      {"write line 0", {{"PDWRTLNFILSZ", "0"}, {"PDIPC", "MEMORY"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdwrtlnfilsz, 0);
         EXPECT_EQ(e.wrtln_on, 'Y');
         EXPECT_EQ(e.pdipc, 'N');
       }},
      {"write line buffer", {{"PDWRTLNFILSZ", "4096"}, {"PDWRTLNCOMSZ", "1023"}}, "PDWRTLNCOMSZ", RANGE},
      {"reconnect kind 1", {{"PDAUTORECONNECT", "YES"}, {"PDRCCOUNT", "999"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdautoreconnect, 'N');
         EXPECT_EQ(e.pdrccount, 0);
         EXPECT_EQ(e.pdrcinterval, 0);
       },
       1},
      {"reconnect kind 0", {{"PDAUTORECONNECT", "YES"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdautoreconnect, 'Y');
         EXPECT_EQ(e.pdrccount, 5);
         EXPECT_EQ(e.pdrcinterval, 5);
       }},
      {"reconnect count checked", {{"PDAUTORECONNECT", "YES"}, {"PDRCCOUNT", "201"}}, "PDRCCOUNT", RANGE},
      {"reconnect lower case", {{"PDAUTORECONNECT", "yes"}}, "PDAUTORECONNECT", CHAR},
      {"queuing YES", {{"PDHATRNQUEUING", "YES"}}, "PDHATRNQUEUING", CHAR},
      {"queuing NO", {{"PDHATRNQUEUING", "NO"}}, nullptr, nullptr, [](const clt_env& e) { EXPECT_EQ(e.pdhatrnqueuing, 'N'); }},
      {"front-end groups", {{"PDFESGRP", "h1:g1:20000,h2:g2:20001,"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_STREQ(e.pdfesgrp, "h1:g1:20000,h2:g2:20001,"); }},
      {"front-end group empty port", {{"PDFESGRP", "h1:g1:"}}, "PDFESGRP", CHAR},
      {"front-end group one colon", {{"PDFESGRP", "h1:20000"}}, "PDFESGRP", CHAR},
      {"front-end groups too long", {{"PDFESGRP", "h:g:1," + std::string(1020, 'h') + ":g:1"}}, "PDFESGRP", CHAR},
      {"bind retry -1", {{"PDBINDRETRYCOUNT", "-1"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdbindretrycount, -1); }},
      {"bind retry blank -1", {{"PDBINDRETRYCOUNT", " -1"}}, "PDBINDRETRYCOUNT", RANGE},
      {"bind retry 1001", {{"PDBINDRETRYCOUNT", "1001"}}, "PDBINDRETRYCOUNT", RANGE},
      {"bind retry letter", {{"PDBINDRETRYCOUNT", "5x"}}, "PDBINDRETRYCOUNT", CHAR},
      {"bind retry beyond 64 bits", {{"PDBINDRETRYCOUNT", "99999999999999999999"}}, "PDBINDRETRYCOUNT", RANGE},
      {"access-path mode 2", {{"PDTAAPINFPATH", "/tmp"}, {"PDTAAPINFMODE", "2"}}, "PDTAAPINFMODE", RANGE},
      {"access-path mode 00", {{"PDTAAPINFPATH", "/tmp"}, {"PDTAAPINFMODE", "00"}}, "PDTAAPINFMODE", RANGE},
      {"access-path output", {{"PDTAAPINFPATH", "/tmp/ap"}, {"PDIPC", "MEMORY"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.taapinf_on, '1');
         EXPECT_EQ(e.pdipc, 'N');
         EXPECT_EQ(e.pdtaapinfmode, '0');
         ASSERT_NE(e.taapinf_names[0], nullptr);
         EXPECT_STREQ(e.taapinf_names[0], "pdtaapinf1");
         EXPECT_STREQ(e.taapinf_names[1], "pdtaapinf2");
         EXPECT_EQ(e.pdtaapinfsize, 409600);
       }},
      {"access-path mode 1", {{"PDTAAPINFPATH", "/tmp/ap"}, {"PDTAAPINFMODE", "1"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtaapinfmode, '1');
         EXPECT_EQ(e.taapinf_names[0], nullptr);
       }},
      {"access-path with PDAPBOPT",
       {{"PDAPBOPT", "p"}, {"PDTAAPINFPATH", "/tmp/ap"}, {"PDTAAPINFMODE", "9"}, {"PDTAAPINFSIZE", "1"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.taapinf_on, 0);
         EXPECT_EQ(e.pdtaapinfsize, 409600);
       }},
      {"non-blocking wait 0", {{"PDNBLOCKWAITTIME", "0"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdtimedoutretry, 0);
         EXPECT_EQ(e.pdcltlinger, 30);
       }},
      {"non-blocking wait 5", {{"PDNBLOCKWAITTIME", "5"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdcltlinger, 0); }},
      {"sql text default with p", {{"PDUAPREPLVL", "p"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqltextsize, 2000000);
         EXPECT_EQ(e.sqltextsize_default, 1);
       }},
      {"sql text default with s", {{"PDUAPREPLVL", "s"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdsqltextsize, 4096); }},
      {"sql text given", {{"PDSQLTEXTSIZE", "5000"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdsqltextsize, 5000);
         EXPECT_EQ(e.sqltextsize_default, 0);
       }},
      {"command wait default", {{"PDCWAITTIME", "30"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcalcmdwaittime, 30);
         EXPECT_EQ(e.not_given & CLT_NOTGIVEN_CALCMDWAITTIME, CLT_NOTGIVEN_CALCMDWAITTIME);
       }},
      {"command wait given", {{"PDCALCMDWAITTIME", "40"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcalcmdwaittime, 40);
         EXPECT_EQ(e.not_given & CLT_NOTGIVEN_CALCMDWAITTIME, 0u);
       }},
      {"reconnect trace on second protocol", {{"PDSRVTYPE", "ZUM4"}, {"PDRCTRACE", "5"}, {"PDBLKBUFFSIZE", "x"}}, nullptr,
       nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdrctrace, -1);
         EXPECT_EQ(e.pdblkbuffsize, 0);
       }},
      {"reconnect trace 5", {{"PDRCTRACE", "5"}}, "PDRCTRACE", RANGE},
      {"cursor level 3", {{"PDCURSORLVL", "3"}}, "PDCURSORLVL", CHAR},
      {"keywords", {{"PDCNSTRNTNAME", "TRAILING"}, {"PDHJHASHINGMODE", "TYPE2"}, {"PDXATRCFILEMODE", "SEPARATE"},
                    {"PDGETTID", "NO"}, {"PDDBBUFLRU", "NO"}, {"PDROWIDDATATYPE", "BINARY"}}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pdcnstrntname, 'T');
         EXPECT_EQ(e.pdhjhashingmode, '2');
         EXPECT_EQ(e.pdxatrcfilemode, 0);
         EXPECT_EQ(e.pdgettid, 0);
         EXPECT_EQ(e.pddbbuflru, 'N');
         EXPECT_EQ(e.pdrowiddatatype, 'B');
       }},
      {"later defaults", {}, nullptr, nullptr,
       [](const clt_env& e) {
         EXPECT_EQ(e.pddbbuflru, 'Y');
         EXPECT_EQ(e.pdblkfupd, 'Y');
         EXPECT_EQ(e.pdrowiddatatype, 'C');
         EXPECT_EQ(e.pdcursorlvl, '0');
         EXPECT_EQ(e.pdbindretrycount, 10);
         EXPECT_EQ(e.pdbesconhti, -1);
         EXPECT_EQ(e.pduapexerlogprmsz, -1);
         EXPECT_EQ(e.uapexerlogprmsz_given, 'N');
         EXPECT_EQ(e.pdodbsplitsize, 0);
         EXPECT_EQ(e.pdstandardsqlstate, 0);
         EXPECT_EQ(e.pdtp1service, 'N');
       }},
      {"split size with locator", {{"PDODBLOCATOR", "YES"}}, nullptr, nullptr,
       [](const clt_env& e) { EXPECT_EQ(e.pdodbsplitsize, 100); }},
      {"env file too long", {{"PDUAPENVFILE", "123456789"}}, "PDUAPENVFILE", RANGE},
      {"substring length 7", {{"PDSUBSTRLEN", "7"}}, "PDSUBSTRLEN", RANGE},
  });
  // The write-line directory defaults to the client trace directory.
  reset_block();
  set("PDWRTLNFILSZ", "4096");
  set("PDCLTPATH", "/var/tmp/trc");
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(text_area(CLT_TXT_WRTLNPATH), "/var/tmp/trc");
}

TEST_F(ReadTest, FirstBadSettingEndsTheReading) {
  // PDHOST comes before PDNAMEPORT: only PDHOST is reported, and nothing
  // read after it leaves its initial value.
  set("PDHOST", std::string(600, 'h'));
  set("PDNAMEPORT", "1");
  set("PDCLTAPNAME", "APP");
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.count, 1);
  EXPECT_EQ(report_.module, "CLTENV");
  EXPECT_EQ(report_.message, env_error("PDHOST", RANGE));
  EXPECT_EQ(env().pdnameport, 0);
  EXPECT_EQ(env().pdswaittime, 0);
  EXPECT_STREQ(env().pdcltapname, "");
  EXPECT_STREQ(uap_name_, "");
  EXPECT_NE(text_area(CLT_TXT_CLTPATH), "");  // read before PDHOST

  // An error at PDDBACCS leaves the later settings at 0, not at their defaults.
  reset_block();
  clear_vars();
  set("PDDBACCS", "11");
  set("PDCLTGRP", "AB");  // read earlier: reported first
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDCLTGRP", RANGE));
  reset_block();
  clear_vars();
  set("PDDBACCS", "11");
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDDBACCS", RANGE));
  EXPECT_EQ(env().pdautoconnect, 0);
  EXPECT_EQ(env().pdcnctrtycount, 0);
  EXPECT_EQ(env().pddbbuflru, 0);

  // A fault among the later settings names their own module.
  reset_block();
  clear_vars();
  set("PDCURSORLVL", "9");
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.module, "cltenv3");
  EXPECT_STREQ(uap_name_, "");
}

TEST_F(ReadTest, SuccessCopiesTheApplicationName) {
  set("PDCLTAPNAME", std::string(30, 'n') + "extra");
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(std::string(uap_name_), std::string(30, 'n'));
  reset_block();
  clear_vars();
  ASSERT_EQ(read(), 0);
  EXPECT_STREQ(uap_name_, "Unknown");
}

TEST_F(ReadTest, SettingsComeFromTheIniFileToo) {
  write_ini({{"PDNAMEPORT", "30000"}, {"PDHOST", "inihost"}, {"PDCLTGRP", "AB"}});
  set("PDHOST", "envhost");
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDCLTGRP", RANGE));
  EXPECT_EQ(env().pdnameport, 30000);
  EXPECT_STREQ(env().pdhost, "envhost");
}

TEST_F(ReadTest, NodeNameLookupPassesOverLongEnvironmentValues) {
  const std::string node30(30, 'n');
  write_ini({{"PDCLTRDNODE", "ininode"}});
  set("PDCLTRDNODE", node30);
  ASSERT_EQ(read(), 0) << report_.message;
  EXPECT_STREQ(env().rdnode, "ininode");
  EXPECT_EQ(env().rdnode_len, 7);

  reset_block();
  set("PDCLTRDNODE", std::string(29, 'n'));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(env().rdnode_len, 29);

  reset_block();
  clear_vars();
  write_ini({{"PDCLTRDNODE", node30}});
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(std::string(env().rdnode), node30);

  reset_block();
  write_ini({{"PDCLTRDNODE", node30 + "x"}});
  EXPECT_EQ(read(), -1);
  EXPECT_EQ(report_.message, env_error("PDCLTRDNODE", RANGE));
}

TEST_F(ReadTest, OdbcDataSourceTakesPart) {
  write_ini({{"PDHOST", "bare"}});
  const std::string own = write_file("dsn.ini", ini_text({{"PDHOST", "dsnhost"}, {"PDNAMEPORT", "30000"}}));
  ASSERT_EQ(clt_read_env_odbc_conn(conn_, 70000, "odbchost", own.c_str()), 0) << report_.message;
  EXPECT_EQ(env().own_ini_file, own.c_str());
  EXPECT_STREQ(env().pdhost, "dsnhost");
  EXPECT_EQ(env().pdnameport, 30000);
  EXPECT_EQ(env().nameport_disp, 30000);
  EXPECT_EQ(env().nameport_cur, 4464);  // low 16 bits of 70000
  EXPECT_EQ(text_area(CLT_TXT_HOST), "odbchost");

  // Port 0 and an empty host change nothing; the port is taken even after
  // a settings error.
  reset_block();
  ASSERT_EQ(clt_read_env_odbc_conn(conn_, 0, "", nullptr), 0);
  EXPECT_STREQ(env().pdhost, "bare");
  EXPECT_EQ(env().nameport_cur, 20000);
  EXPECT_EQ(text_area(CLT_TXT_HOST), "bare");
  reset_block();
  set("PDCLTGRP", "AB");
  EXPECT_EQ(clt_read_env_odbc_conn(conn_, 6000, nullptr, nullptr), -1);
  EXPECT_EQ(env().nameport_cur, 6000);
}

}  // namespace
}  // namespace settings_test
