#include "app/core/ovformat.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/ovoptions.h"
#include "bench/sql_corpus.h"

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

// Options in their order: Indent, ItemReturn, ReservePos, CommaPos, AndPos,
// ReserveTrans, ItemTrans.
const TFormatOption kDefaults{.Indent = 4};
TFormatOption With(int TFormatOption::*field, int value) {
  TFormatOption option = kDefaults;
  option.*field = value;
  return option;
}

struct Golden {
  const char* name;
  TFormatOption options;
  const char* input;
  std::vector<std::string> expected;
};

const char* const kQuery = "select a, b from t where x = 1 and y = 2 order by a";

class FormatSqlTest : public ::testing::Test {
 protected:
  void TearDown() override { FormatOption = {}; }
};

TEST_F(FormatSqlTest, GoldenLayouts) {
  const Golden cases[] = {
      {"defaults", kDefaults, kQuery,
       {"SELECT A", "      ,B", "  FROM T", " WHERE X = 1", "   AND Y = 2", " ORDER BY A"}},
      {"commas behind", With(&TFormatOption::CommaPos, 1), kQuery,
       {"SELECT A,", "       B", "  FROM T", " WHERE X = 1", "   AND Y = 2", " ORDER BY A"}},
      {"AND behind", With(&TFormatOption::AndPos, 1), kQuery,
       {"SELECT A", "      ,B", "  FROM T", " WHERE X = 1 AND", "       Y = 2", " ORDER BY A"}},
      {"items inline", With(&TFormatOption::ItemReturn, 1), kQuery,
       {"SELECT A, B", "  FROM T", " WHERE X = 1 AND Y = 2", " ORDER BY A"}},
      {"left-aligned", With(&TFormatOption::ReservePos, 1), kQuery,
       {"SELECT A", "      ,B", "FROM   T", "WHERE  X = 1", "AND    Y = 2", "ORDER BY A"}},
      {"lower-case keywords", With(&TFormatOption::ReserveTrans, 1), "Select Count(a) From T",
       {"select count(A)", "  from T"}},
      {"keywords as typed, items lower", TFormatOption{.Indent = 4, .ReserveTrans = 2, .ItemTrans = 1},
       "Select Foo From Tbl Where Col = 1", {"Select foo", "  From tbl", " Where col = 1"}},
      {"items as typed, wide characters unchanged", With(&TFormatOption::ItemTrans, 2), "select Ａb, 名前 from t",
       {"SELECT Ａb", "      ,名前", "  FROM t"}},
      {"order by continues", kDefaults, "select a from t order by a, b desc",
       {"SELECT A", "  FROM T", " ORDER BY A", "         ,B DESC"}},
      {"order by continues left-aligned", With(&TFormatOption::ReservePos, 1), "select a from t group by a, b",
       {"SELECT A", "FROM   T", "GROUP BY A", "        ,B"}},
      {"insert", kDefaults, "insert into t (a, b) values (1, 2)",
       {"INSERT INTO T", "       (A", "       ,B)", "VALUES (1", "       ,2)"}},
      {"comma inside a call, string items", kDefaults, "select f(a, b), 'x y' from t",
       {"SELECT F(A, B)", "      ,'x y'", "  FROM T"}},
      {"IN list, string and BETWEEN in conditions", kDefaults,
       "select a from t where x in (1, 2) and y = 'a b' and z between 1 and 2 or f(x) is null",
       {"SELECT A", "  FROM T", " WHERE X IN(1 , 2)", "   AND Y = 'a b'", "   AND Z BETWEEN 1 AND 2",
        "    OR F(X) IS NULL"}},
      {"AND inline inside parentheses", kDefaults, "select a from t where (a = 1 or b >= 2) and c <> 3",
       {"SELECT A", "  FROM T", " WHERE (A = 1 OR B >= 2)", "   AND C <> 3"}},
      {"joins, group by, having", kDefaults,
       "select a from t left outer join s on s.k = t.k inner join r on r.k = t.k join q on q.k = t.k "
       "left join p on p.k = t.k group by a having count(*) > 1",
       {"SELECT A", "  FROM T", "  LEFT OUTER JOIN S ON S.K = T.K", " INNER JOIN R ON R.K = T.K",
        "  JOIN Q ON Q.K = T.K", "  LEFT JOIN P ON P.K = T.K", " GROUP BY A", "HAVING COUNT(*) > 1"}},
      {"ON directly after a join word", kDefaults, "select a from t inner s on s.k = t.k",
       {"SELECT A", "  FROM T", " INNER S", "    ON S.K = T.K"}},
      {"subquery laid out as a statement", kDefaults,
       "select a from t where x in (select b from u where c = 1 and d = 2) and e = 3",
       {"SELECT A", "  FROM T", " WHERE X IN(", "SELECT B", "  FROM U", " WHERE C = 1", "   AND D = 2)",
        "   AND E = 3"}},
      {"nested parentheses: the first ) ends inline treatment", kDefaults,
       "select f(g(a, b), c), d from t where (x = (1) and y = 2) or z = 3",
       {"SELECT F(G(A, B)", "      ,C)", "      ,D", "  FROM T", " WHERE (X =(1)", "   AND Y = 2)",
        "    OR Z = 3"}},
      {"update and delete", kDefaults, "update t set a = 1, b = f(2, 3) where c = 1; delete from t where a = 1;",
       {"UPDATE T", "   SET A = 1", "      ,B = F(2 , 3)", " WHERE C = 1;", "DELETE", "  FROM T",
        " WHERE A = 1;"}},
      {"union and for update", kDefaults, "select a from t union all select b from u for update;",
       {"SELECT A", "  FROM T", " UNION ALL", "SELECT B", "  FROM U", "   FOR UPDATE;"}},
      {"slash lines end statements", kDefaults, "select a from t   \r\n/\r\nselect b from u\n/",
       {"SELECT A", "  FROM T", "/", "SELECT B", "  FROM U", "/"}},
      {"comment after a comma, commas in front", kDefaults, "select a, -- one\n b from t",
       {"SELECT A", "      , -- one", "       B", "  FROM T"}},
      {"comment after a comma, commas behind", With(&TFormatOption::CommaPos, 1), "select a, -- one\n b from t",
       {"SELECT A, -- one", "       B", "  FROM T"}},
      {"comment after AND behind", With(&TFormatOption::AndPos, 1), "select a from t where x = 1 and -- c\n y = 2",
       {"SELECT A", "  FROM T", " WHERE X = 1 AND -- c", "       Y = 2"}},
      {"comment line before a clause keyword", kDefaults, "select a -- it's\nfrom t where b = 'abc'",
       {"SELECT A -- it's", "  FROM T", " WHERE B = 'abc'"}},
      {"comment before an inline AND keeps its line", With(&TFormatOption::ItemReturn, 1),
       "select a from t where x = 1 -- c\n and y = 2", {"SELECT A", "  FROM T", " WHERE X = 1 -- c", "       AND Y = 2"}},
      {"procedural blocks", kDefaults,
       "create procedure p(a int) is\n x int;\nbegin\n loop\n if x > 1 then\n x := 1;\n elseif x = 0 then\n"
       " x := 2;\n else\n exit;\n end if;\n end loop;\n select a into x from t where b = 1;\nexception\n"
       " when no_data_found then\n x := 0;\n when others then\n raise;\nend;\n/",
       {"CREATE PROCEDURE P(A INT)", "IS", "    X INT;", "BEGIN", "    LOOP", "        IF X > 1 THEN",
        "            X := 1;", "        ELSEIF X = 0 THEN", "            X := 2;", "        ELSE",
        "            EXIT;", "        END IF;", "    END LOOP;", "    SELECT A INTO X", "      FROM T",
        "     WHERE B = 1;", "EXCEPTION", "    WHEN NO_DATA_FOUND THEN", "        X := 0;",
        "    WHEN OTHERS THEN", "        RAISE;", "END;", "/"}},
      {"declare, nested block, loops after FOR and WHILE", With(&TFormatOption::Indent, 2),
       "declare\n x int;\n cursor c is select a from t;\nbegin\n while x < 10 loop\n x := x + 1;\n end loop;\n"
       " for r in c loop\n null;\n end loop;\n begin\n null;\n exception\n when others then\n if x = 1 then\n"
       " null;\n end if;\n end;\nend;",
       {"DECLARE", "  X INT;", "  CURSOR C IS", "  SELECT A", "    FROM T;", "BEGIN", "  WHILE X < 10 LOOP",
        "    X := X + 1;", "  END LOOP;", "  FOR R IN C LOOP", "    NULL;", "  END LOOP;", "  BEGIN", "    NULL;",
        "  EXCEPTION", "    WHEN OTHERS THEN", "      IF X = 1 THEN", "        NULL;", "      END IF;", "  END;",
        "END;", ""}},
      {"text without DML: case only", With(&TFormatOption::ReserveTrans, 1),
       "GRANT  all\tON t TO   u\r\n\r\ncommit", {"grant all on T to U", "commit"}},
  };
  for (const Golden& c : cases) {
    FormatOption = c.options;
    EXPECT_EQ(FormatSQL(c.input), Lines(c.expected)) << c.name;
  }
}

TEST_F(FormatSqlTest, KeepsCodeCommentsAndQuotedTexts) {
  std::vector<std::string> corpus(std::begin(sql_corpus::kStatements), std::end(sql_corpus::kStatements));
  corpus.insert(corpus.end(), {
      kQuery,
      "select a -- it's a quote\r\n, 'b' from t where c = 'x' and d = \"q -- \"",
      "select a /* don't */ from t where c = 'abc' -- ' \r\n and \"e\" = 'f /* g'",
      "select 'a\tb\r\n  c', \"x\ty\" from t where v = 'line\r\n  two' and w = 1 - -1 and z = 4 / *",
      "select */* c */ x from t where a = b*/*c*/d and e = f / - 2",
      "insert into t (a, b) values ('it''s', \"q\"\"x\") -- end ' open\r\n/\r\nbegin null; end;",
      "select f(g(a, b), c), d from t where (x = (1) and y = 2) or z = 3 group by 1 having 1 = 1 order by 2",
      "update t set a = 'x' -- c\r\n, b = 2 where c = 'unterminated",
  });
  // The sample database's script and the benchmark's text, whole.
  std::ifstream sample(TEST_FIXTURE_DIR "/../../standin/symfoware/sample.sql", std::ios::binary);
  ASSERT_TRUE(sample);
  corpus.emplace_back(std::istreambuf_iterator<char>(sample), std::istreambuf_iterator<char>());
  corpus.emplace_back();
  for (std::string_view statement : sql_corpus::kStatements) corpus.back() += statement;
  const TFormatOption options[] = {
      kDefaults,
      TFormatOption{.Indent = 2, .ReservePos = 1, .CommaPos = 1, .AndPos = 1},
      TFormatOption{.Indent = 4, .ItemReturn = 1, .ReserveTrans = 1, .ItemTrans = 1},
      TFormatOption{.Indent = 8, .ReserveTrans = 2, .ItemTrans = 2},
  };
  for (const TFormatOption& option : options) {
    FormatOption = option;
    for (const std::string& sql : corpus) {
      const std::string formatted = FormatSQL(sql);
      EXPECT_EQ(sql_corpus::Keep(formatted), sql_corpus::Keep(sql)) << sql << "\n=>\n" << formatted;
    }
  }
}

}  // namespace
