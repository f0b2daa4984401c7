// sql_corpus: SQL text for the formatter's benchmark, its invariant test and
// fuzz harness, and what formatting must keep of a text:
// queries with joins, subqueries, GROUP BY, HAVING and ORDER BY; INSERT,
// UPDATE and DELETE; comments; strings holding quotes and comment marks;
// Japanese text; stored routines ending in a "/" line.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace sql_corpus {

// Each ends one statement.
inline constexpr std::string_view kStatements[] = {
    "select e.emp_no, e.name, d.dept_name, sum(s.amount) total -- it's the year's total\r\n"
    "  from employee e left outer join dept d on d.dept_no = e.dept_no\r\n"
    "  inner join sales s on s.emp_no = e.emp_no\r\n"
    " where e.hired between date '2020-01-01' and date '2024-12-31'\r\n"
    "   and (d.area = 'EAST' or d.area = 'WEST') and e.name <> '山田 太郎'\r\n"
    " group by e.emp_no, e.name, d.dept_name having sum(s.amount) >= 1000 order by total desc, e.name;\r\n",
    "SELECT A.ID, (SELECT MAX(B.V) FROM B WHERE B.ID = A.ID AND B.K IN (1, 2, 3)) MAXV\r\n"
    "FROM \"Mixed Case\".A WHERE A.NOTE LIKE '%--not a comment%' /* block 'quoted' */ AND A.X = 1 - -1;\r\n",
    "insert into 表名 (列1, 列2, note) values ('値', 42, 'O''Brien /* not a comment */');\r\n",
    "UPDATE T SET C1 = C1 + 12, C2 = 'it''s', C3 = f(1, 2) WHERE K1 = :K1 OR K2 IN (SELECT K FROM U);\r\n",
    "delete from audit_log where logged < current_date - 30 and kind = 'x'; -- don't keep\r\n",
    "select a from t union all select b from u for update;\r\n",
    "CREATE PROCEDURE ADD_SALE(P_EMP INTEGER, P_AMOUNT DECIMAL(10, 2)) IS\r\n"
    "  V_COUNT INTEGER;\r\n"
    "BEGIN\r\n"
    "  LOOP\r\n"
    "    IF P_AMOUNT > 0 THEN\r\n"
    "      INSERT INTO SALES (EMP_NO, AMOUNT) VALUES (P_EMP, P_AMOUNT);\r\n"
    "    ELSEIF P_AMOUNT = 0 THEN\r\n"
    "      V_COUNT := V_COUNT + 1; -- count 'empty' sales\r\n"
    "    ELSE\r\n"
    "      EXIT;\r\n"
    "    END IF;\r\n"
    "  END LOOP;\r\n"
    "EXCEPTION\r\n"
    "  WHEN NO_DATA_FOUND THEN\r\n"
    "    NULL;\r\n"
    "  WHEN OTHERS THEN\r\n"
    "    RAISE;\r\n"
    "END;\r\n"
    "/\r\n",
};

// Statements repeated up to at least `bytes` bytes; `count` receives their number.
inline std::string Text(size_t bytes, size_t& count) {
  std::string text;
  text.reserve(bytes + kStatements[0].size());
  for (count = 0; text.size() < bytes; ++count) text += kStatements[count % std::size(kStatements)];
  return text;
}

// What formatting must keep: the code outside comments and quoted texts
// (blanks aside, case aside), the comments (blanks aside) and every quoted
// text byte for byte.
struct Kept {
  std::string code;
  std::string comments;
  std::vector<std::string> quoted;
  friend bool operator==(const Kept&, const Kept&) = default;
};

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline Kept Keep(std::string_view text) {
  Kept kept;
  const auto comment = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (!IsSpace(text[i])) kept.comments += text[i];
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      size_t close = text.find(c, i + 1);
      while (close != std::string_view::npos && close + 1 < text.size() && text[close + 1] == c)
        close = text.find(c, close + 2);
      const size_t end = close == std::string_view::npos ? text.size() : close + 1;
      kept.quoted.emplace_back(text.substr(i, end - i));
      i = end;
    } else if (text.substr(i).starts_with("--")) {
      const size_t end = std::min(text.find_first_of("\r\n", i), text.size());
      comment(i, end);
      i = end;
    } else if (text.substr(i).starts_with("/*") && !(i > 0 && text[i - 1] == '*')) {
      const size_t close = text.find("*/", i + 2);
      const size_t end = close == std::string_view::npos ? text.size() : close + 2;
      comment(i, end);
      i = end;
    } else {
      if (!IsSpace(c)) kept.code += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      ++i;
    }
  }
  return kept;
}

}  // namespace sql_corpus
