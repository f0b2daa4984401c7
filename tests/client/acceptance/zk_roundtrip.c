/* An embedded-SQL program in C against the shipped library: it connects,
 * inserts two rows of every column type (NULLs among them), opens a
 * cursor over them with a USING value, fetches every row into host
 * variables and again through an SQLDA, checking each value and indicator
 * against what it inserted, then closes, commits and disconnects. ZK_WORD
 * gives, in hexadecimal, a word in the client's code that the first row's
 * text column carries there and back. Exit status 0 when every check held. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zelkit.h"

enum { COLUMNS = 6, NO_ROWS = 100, GROUP = 1, INSERT_SECTION = 1, CURSOR_SECTION = 2 };

static int failures = 0;

static void check(int ok, const char* what, int row) {
  if (!ok) {
    fprintf(stderr, "zk_roundtrip: row %d: %s\n", row, what);
    ++failures;
  }
}

static void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strlen(text) < n ? strlen(text) : n);
}

/* One request area with its SQLCA. */
struct request {
  rdb_sql_area area;
  SQLCA sqlca;
  char text[sizeof(int32_t) + 128];
};

static void start(struct request* r, const char* code) {
  memset(r, 0, sizeof *r);
  memcpy(r->area.reqcode, code, 4);
  r->area.sqlca = &r->sqlca;
  r->area.version = 0x802;
  r->area.blkf_perm1 = 1;
  r->area.blkf_perm2 = 1;
  blank(r->area.name1, sizeof r->area.name1, "CUR1");
  blank(r->area.name2, sizeof r->area.name2, "STMT1");
  r->area.section = 1;
}

static void statement(struct request* r, const char* sql) {
  const int32_t n = (int32_t)strlen(sql);
  memcpy(r->text, &n, sizeof n);
  memcpy(r->text + sizeof n, sql, (size_t)n);
  r->area.sqltext = (rdb_sql_text*)(void*)r->text;
}

/* PREPARE of a statement under a section; the lists take its description. */
static void prepare(struct request* r, const char* sql, int16_t section) {
  static union {
    SQLDA da;
    unsigned char room[offsetof(SQLDA, sqlvar) + (COLUMNS + 1) * sizeof(SQLVAR)];
  } out, in;
  memset(&out, 0, sizeof out);
  memset(&in, 0, sizeof in);
  memcpy(out.da.sqldaid, "SQLDA   ", 8);
  memcpy(in.da.sqldaid, "SQLDA   ", 8);
  out.da.sqln = COLUMNS + 1;
  in.da.sqln = COLUMNS + 1;
  start(r, "SET ");
  statement(r, sql);
  r->area.section = section;
  r->area.sqliasda = &out.da;
  r->area.sqliasda2 = &in.da;
}

static int run(struct request* r, const char* what) {
  const int32_t rc = p_rdb_exsql(&r->area);
  if (r->sqlca.SQLCODE < 0) {
    fprintf(stderr, "zk_roundtrip: %s: SQLCODE %d %.*s\n", what, (int)r->sqlca.SQLCODE, (int)r->sqlca.sqlerrml,
            r->sqlca.sqlerrmc);
    ++failures;
  }
  return rc;
}

/* The host variables of one row, and an SQLDA of six variables over them. */
struct row {
  int32_t i4;
  char text[11];
  char dec[6];
  int64_t i8;
  struct {
    uint16_t n;
    char t[20];
  } vchar;
  int16_t i2;
  int16_t ind[COLUMNS];
  union {
    SQLDA da;
    unsigned char room[offsetof(SQLDA, sqlvar) + COLUMNS * sizeof(SQLVAR)];
  } list;
};

static void var(SQLVAR* v, uint8_t code, int16_t len, void* data, int16_t* ind) {
  v->sqlcod = code;
  v->XDIM = 1;
  v->len.s.sqllen = len;
  v->SQLDATA = data;
  v->SQLIND = ind;
}

static SQLDA* describe(struct row* h) {
  SQLDA* da = &h->list.da;
  memset(&h->list, 0, sizeof h->list);
  memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqln = COLUMNS;
  da->sqld = COLUMNS;
  var(&da->sqlvar[0], 0xF1, 4, &h->i4, &h->ind[0]);
  var(&da->sqlvar[1], 0x31, 10, h->text, &h->ind[1]);
  var(&da->sqlvar[2], 0xEB, 0, h->dec, &h->ind[2]);
  da->sqlvar[2].len.d.sqlprcsn = 5;
  da->sqlvar[2].len.d.sqlscale = 2;
  var(&da->sqlvar[3], 0xE1, 8, &h->i8, &h->ind[3]);
  var(&da->sqlvar[4], 0xA1, 20, &h->vchar, &h->ind[4]);
  var(&da->sqlvar[5], 0xF5, 2, &h->i2, &h->ind[5]);
  return da;
}

static size_t from_hex(const char* hex, char* out, size_t room) {
  size_t n = 0;
  while (hex != NULL && hex[0] != '\0' && hex[1] != '\0' && n < room) {
    unsigned v = 0;
    if (sscanf(hex, "%2x", &v) != 1) break;
    out[n++] = (char)v;
    hex += 2;
  }
  return n;
}

/* The two rows as this program inserts them and expects them back. */
static void fill_row(struct row* h, int n, const char* word, size_t word_len) {
  memset(h->ind, 0, sizeof h->ind);
  memset(h->text, 0, sizeof h->text);
  if (n == 1) {
    h->i4 = 7;
    memcpy(h->text, word, word_len < sizeof h->text ? word_len : sizeof h->text - 1);
    memcpy(h->dec, "+12345", 6);
    h->i8 = 1234567890123LL;
    h->vchar.n = 5;
    memcpy(h->vchar.t, "hello", 5);
    h->i2 = -3;
  } else {
    h->ind[0] = -1;
    strcpy(h->text, "abc");
    h->ind[2] = -1;
    h->i8 = -1;
    h->ind[4] = -1;
    h->i2 = 9;
  }
}

static void check_row(const struct row* h, int n, const char* word, size_t word_len) {
  if (n == 1) {
    check(h->i4 == 7 && h->ind[0] == 0, "integer", n);
    check(h->ind[1] == 0 && strlen(h->text) == word_len && memcmp(h->text, word, word_len) == 0, "text", n);
    check(memcmp(h->dec, "+12345", 6) == 0 && h->ind[2] == 0, "decimal", n);
    check(h->i8 == 1234567890123LL && h->ind[3] == 0, "8-byte integer", n);
    check(h->vchar.n == 5 && memcmp(h->vchar.t, "hello", 5) == 0 && h->ind[4] == 0, "varying text", n);
    check(h->i2 == -3 && h->ind[5] == 0, "small integer", n);
  } else {
    check(h->ind[0] == -1 && h->ind[2] == -1 && h->ind[4] == -1, "NULL indicators", n);
    check(strcmp(h->text, "abc") == 0 && h->ind[1] == 0, "text", n);
    check(h->i8 == -1 && h->i2 == 9 && h->ind[3] == 0 && h->ind[5] == 0, "numbers", n);
  }
}

/* OPEN with a USING value, the rows to the end, CLOSE. */
static void cursor_pass(struct row* h, const char* word, size_t word_len) {
  struct request r;
  int32_t key = GROUP;
  int16_t key_ind = 0;
  union {
    SQLDA da;
    unsigned char room[offsetof(SQLDA, sqlvar) + sizeof(SQLVAR)];
  } using_list;
  memset(&using_list, 0, sizeof using_list);
  memcpy(using_list.da.sqldaid, "SQLDA   ", 8);
  using_list.da.sqln = 1;
  using_list.da.sqld = 1;
  var(&using_list.da.sqlvar[0], 0xF1, 4, &key, &key_ind);
  start(&r, "OPEN");
  r.area.section = CURSOR_SECTION;
  r.area.sqliasda = &using_list.da;
  run(&r, "OPEN");
  for (int n = 1;; ++n) {
    start(&r, "FETC");
    r.area.section = CURSOR_SECTION;
    r.area.sqliasda = describe(h);
    memset(h->text, 0, sizeof h->text);
    if (run(&r, "FETCH") == NO_ROWS) {
      check(n == 3, "the end of the cursor after two rows", n);
      check(r.sqlca.sqlerrml == 47 && memcmp(r.sqlca.sqlerrmc, "KFPA12100-I", 11) == 0, "end message", n);
      break;
    }
    if (n > 2) {
      check(0, "more rows than the table holds", n);
      break;
    }
    check_row(h, n, word, word_len);
  }
  start(&r, "CLOS");
  r.area.section = CURSOR_SECTION;
  run(&r, "CLOSE");
}

int main(void) {
  char word[32];
  const size_t word_len = from_hex(getenv("ZK_WORD"), word, sizeof word);
  struct request r;

  start(&r, "CNCT");
  blank(r.area.authid, sizeof r.area.authid, "scott");
  blank(r.area.passwd, sizeof r.area.passwd, "tiger");
  blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  run(&r, "CONNECT");
  if (failures != 0) return 1;

  /* The rows of every type, NULLs among them, through one prepared
   * INSERT with a USING list. */
  struct row in;
  memset(&in, 0, sizeof in);
  SQLDA* values = describe(&in);
  prepare(&r, "INSERT INTO T1 (I4, TXT, DEC, I8, VC, I2, G) VALUES (?, ?, ?, ?, ?, ?, 1)", INSERT_SECTION);
  run(&r, "PREPARE");
  prepare(&r, "SELECT I4, TXT, DEC, I8, VC, I2 FROM T1 WHERE G = ?", CURSOR_SECTION);
  run(&r, "PREPARE");
  for (int n = 1; n <= 2; ++n) {
    fill_row(&in, n, word, word_len);
    start(&r, "AUX ");
    r.area.section = INSERT_SECTION;
    r.area.sqliasda = values;
    run(&r, "EXECUTE");
  }
  if (failures != 0) return 1;

  /* Two passes: host variables as the precompiler lays them out, then a
   * dynamic SQLDA over a fresh row. */
  struct row first;
  cursor_pass(&first, word, word_len);
  struct row* second = calloc(1, sizeof *second);
  if (second == NULL) return 1;
  cursor_pass(second, word, word_len);
  free(second);

  start(&r, "CMIT");
  run(&r, "COMMIT");
  start(&r, "DISC");
  run(&r, "DISCONNECT");
  if (failures == 0) puts("zk_roundtrip: every check held");
  return failures == 0 ? 0 : 1;
}
