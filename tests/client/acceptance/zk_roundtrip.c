/* An embedded-SQL program in C against the shipped library: it connects,
 * inserts two rows holding a column of every type (the second row NULL
 * in all but one, the first row's repetition column with a NULL
 * element), opens a cursor over them with a USING value and fetches
 * every row twice: into the program's own host variables, then through
 * the SQLDA that PREPARE described, checking each value and indicator
 * and that no byte past a variable changed. The large objects, which
 * always ask for the descriptor form, are fetched by a cursor of their
 * own. Then it closes, commits and disconnects.
 * ZK_WORD gives, in hexadecimal, a word in the client's code that the
 * text columns carry there and back (its bytes two to a character in the
 * national columns); ZK_SAME_ORDER=1 says that the server shares the
 * client's byte order, which the byte-string column needs.
 * Exit status 0 when every check held. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zelkit.h"

enum {
  MAX_COLUMNS = 32,
  ROOM = 128,          /* bytes of each variable's area */
  MAX_ELEMENTS = 3,
  NO_ROWS = 100,
  GROUP = 1,
  INSERT_SECTION = 1,
  CURSOR_SECTION = 2,
  DESCRIPTOR_SECTION = 3,
  ROWS = 2,
  SQL_ROOM = 1024      /* bytes of a statement text */
};
static const unsigned char GUARD = 0xA5;
static const int16_t NULL_INDICATOR = -1;
static const char END_OF_CURSOR[] = "KFPA12100-I No rows satisfying search condition";
/* The one column the second row fills, and its value there. */
static const char SECOND_ROW_COLUMN[] = "TXT";
static const char SECOND_ROW_TEXT[] = "abc";

static int failures = 0;

static void check(int ok, const char* what, const char* column, int row) {
  if (!ok) {
    fprintf(stderr, "zk_roundtrip: row %d: %s: %s\n", row, column, what);
    ++failures;
  }
}

static void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strlen(text) < n ? strlen(text) : n);
}

/* One column of the table: the host variable that inserts it and that
 * the first pass fetches it into, and the first row's value as that
 * variable holds it. */
struct column {
  const char* name;
  uint8_t code;        /* the column's code in the table */
  uint8_t host;        /* the host variable's code, NOT NULL twin */
  int16_t sqllen;
  uint8_t precision;   /* decimal codes */
  uint8_t scale;
  uint32_t sqllen32;   /* large codes */
  int16_t xdim;
  int own_cursor;      /* asks for the descriptor form, or only that form takes it:
                          fetched by a cursor of its own */
  int padded;          /* fixed national: the word, then one pad pair repeated */
  size_t kept;         /* leading bytes a fetch leaves (the reserved word) */
  unsigned char value[ROOM];
  size_t value_len;
  size_t size;         /* bytes of the variable a fetch may write */
  /* The value as the described SQLDA holds it, when its code differs. */
  unsigned char described[ROOM];
  size_t described_len;
  /* The repetition's element indicators. */
  int16_t elements[MAX_ELEMENTS];
};

static struct column columns[MAX_COLUMNS];
static int column_count = 0;

static void put(unsigned char* at, const void* v, size_t n) { memcpy(at, v, n); }

static struct column* add(const char* name, uint8_t code, uint8_t host, int16_t sqllen, const void* value,
                          size_t value_len, size_t size) {
  struct column* c = &columns[column_count++];
  memset(c, 0, sizeof *c);
  c->name = name;
  c->code = code;
  c->host = host;
  c->sqllen = sqllen;
  c->xdim = 1;
  memcpy(c->value, value, value_len);
  c->value_len = value_len;
  c->size = size;
  return c;
}

static struct column* add_decimal(const char* name, uint8_t host, uint8_t precision, uint8_t scale, const void* value,
                                  size_t value_len) {
  struct column* c = add(name, 0xE4, host, 0, value, value_len, value_len);
  c->precision = precision;
  c->scale = scale;
  return c;
}

static void described_as(struct column* c, const void* value, size_t n) {
  memcpy(c->described, value, n);
  c->described_len = n;
}

static int is_decimal(uint8_t code) {
  code &= 0xFE;
  return code == 0x64 || code == 0x6E || code == 0xE4 || code == 0xE6 || code == 0xEA || code == 0xEC;
}
static int is_large(uint8_t code) {
  code &= 0xFE;
  return code == 0x90 || code == 0x92 || code == 0x98;
}
/* The codes 0x90 to 0x9F have an i32 indicator. */
static int wide_indicator(uint8_t code) { return code >= 0x90 && code <= 0x9F; }
static int filled_in_second_row(const struct column* c) { return strcmp(c->name, SECOND_ROW_COLUMN) == 0; }

/* Every column, with the word in the text and national columns. */
static void declare_columns(const unsigned char* word, size_t word_len, int same_order) {
  unsigned char b[ROOM];
  const int32_t i4 = 7;
  const int16_t i2 = -3;
  const int64_t i8 = 1234567890123LL;
  const int32_t ie2 = -7;
  const uint16_t hello_len = 5;
  const uint16_t c8_len = 2;
  const uint32_t handle = 77;
  const uint32_t lob_len = 5;
  const uint32_t reserved_word = 0;
  const uint16_t national_len = (uint16_t)(word_len / 2);
  const uint16_t text_len = (uint16_t)word_len;
  struct column* c;

  add("I4", 0xF0, 0xF0, 4, &i4, 4, 4);
  add("I2", 0xF4, 0xF4, 2, &i2, 2, 2);
  add("I8", 0xE0, 0xE0, 8, &i8, 8, 8);
  add("IE2", 0xE2, 0xE2, 4, &ie2, 4, 4);

  /* Decimals: text with a sign, zoned, packed; described as packed. */
  c = add_decimal("DEC", 0xEA, 5, 2, "+12345", 6);
  described_as(c, "\x12\x34\x5C", 3);
  c = add_decimal("ZON", 0xEC, 4, 0, "1234", 4);
  described_as(c, "\x01\x23\x4C", 3);
  add_decimal("PK", 0xE4, 7, 2, "\x12\x34\x56\x7C", 4);
  c = add_decimal("DE6", 0xE6, 7, 2, "\x12\x34\x56\x7D", 4);
  c->code = 0xE6;
  c->own_cursor = 1;
  c = add("P64", 0x64, 0x64, 0, "\x01\x23\x45\x67\x8D", 5, 5);
  c->precision = 8;
  c = add("P6E", 0x6E, 0x6E, 0, "\x01\x23\x45\x6C", 4, 4);
  c->precision = 6;

  /* Characters: ended, prefixed, fixed, national. */
  memcpy(b, word, word_len);
  b[word_len] = 0;
  /* Room for the described form: a length, then up to 10 bytes. */
  c = add("TXT", 0xC0, 0x30, 10, b, word_len + 1, 2 + 10);
  put(b, &text_len, 2);
  memcpy(b + 2, word, word_len);
  described_as(c, b, 2 + word_len);
  put(b, &hello_len, 2);
  memcpy(b + 2, "hello", 5);
  add("VC", 0xA0, 0xA0, 20, b, 7, 22);
  put(b, &c8_len, 2);
  memcpy(b + 2, "c8", 2);
  add("MVC", 0xC8, 0xC8, 10, b, 4, 12)->own_cursor = 1;
  memcpy(b + 2, "a8", 2);
  add("VA8", 0xA8, 0xA8, 10, b, 4, 12)->own_cursor = 1;
  add("FIX", 0xA4, 0xA4, 6, "ab    ", 7, 7);
  add("MFX", 0xC4, 0xC4, 4, "wxyz", 5, 5);
  put(b, &national_len, 2);
  memcpy(b + 2, word, word_len);
  add("NVC", 0xB0, 0xB0, 4, b, 2 + word_len, 10);
  add("NB8", 0xB8, 0xB8, 4, b, 2 + word_len, 10)->own_cursor = 1;
  memset(b, ' ', 6);
  memcpy(b, word, word_len);
  b[6] = 0;
  c = add("NFX", 0xB4, 0xB4, 3, b, 7, 7);
  c->padded = 1;

  /* Coded values, bytes, large objects and handles (0x94 and 0x98 are
   * input codes of the second protocol only: 0x9A, 0x9E and 0x92 stand
   * for them). */
  if (same_order) add("BIN", 0x44, 0x44, 4, "\x01\x02\x03\x04", 4, 4);
  add("R70", 0x70, 0x70, 4, "\xAA\xBB\xCC\xDD", 4, 4);
  add("R78", 0x78, 0x78, 3, "\x01\x02\x03", 3, 3);
  add("R7C", 0x7C, 0x7C, 8, "ABCDEFGH", 8, 8);
  put(b, &lob_len, 4);
  memcpy(b + 4, "hello", 5);
  c = add("L90", 0x90, 0x90, 0, b, 9, 104);
  c->sqllen32 = 100;
  c->own_cursor = 1;
  add("H9A", 0x9A, 0x9A, 4, &handle, 4, 4);
  add("H9E", 0x9E, 0x9E, 4, &handle, 4, 4);
  put(b, &reserved_word, 4);
  put(b + 4, &lob_len, 4);
  memcpy(b + 8, "world", 5);
  c = add("L92", 0x92, 0x92, 0, b, 13, 108);
  c->sqllen32 = 100;
  c->own_cursor = 1;
  c->kept = 4;


  /* Repetitions: integers with a NULL element (whose place the server
   * fills with 0, since NULL values carry data here), fixed characters. */
  {
    const uint32_t n = 3;
    const int32_t e[3] = {1, 0, -3};
    put(b, &n, 4);
    memcpy(b + 4, e, sizeof e);
    c = add("REP", 0xF0, 0xF0, 4, b, 16, 16);
    c->xdim = 3;
    c->elements[1] = NULL_INDICATOR;
  }
  {
    const uint32_t n = 2;
    put(b, &n, 4);
    /* The terminator after each element is overwritten by the next. */
    memcpy(b + 4, "ab cd \0", 7);
    c = add("REPF", 0xA4, 0xA4, 3, b, 11, 11);
    c->xdim = 2;
  }
}

/* One request area with its SQLCA. */
struct request {
  rdb_sql_area area;
  SQLCA sqlca;
  char text[sizeof(int32_t) + SQL_ROOM];
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

static int32_t run(struct request* r, const char* what) {
  const int32_t rc = p_rdb_exsql(&r->area);
  if (r->sqlca.SQLCODE < 0) {
    fprintf(stderr, "zk_roundtrip: %s: SQLCODE %d %.10s:%d %.*s\n", what, (int)r->sqlca.SQLCODE, r->sqlca.sqlsrcfile, (int)r->sqlca.sqlsrcline, (int)r->sqlca.sqlerrml,
            r->sqlca.sqlerrmc);
    ++failures;
  }
  return rc;
}

/* An SQLDA with room for every column. */
union list {
  SQLDA da;
  unsigned char room[offsetof(SQLDA, sqlvar) + MAX_COLUMNS * sizeof(SQLVAR)];
};

/* Variable k of a list, reached through the SQLDA's address as the
 * library reaches it (sqlvar is declared with one element). */
static SQLVAR* var_of(union list* l, int k) {
  SQLDA* da = &l->da;
  return &da->sqlvar[k];
}

static void empty_list(union list* l, int16_t n) {
  memset(l, 0, sizeof *l);
  memcpy(l->da.sqldaid, "SQLDA   ", 8);
  l->da.sqln = n;
}

/* PREPARE of a statement under a section; `out` takes its description. */
static void prepare(const char* sql, int16_t section, union list* out) {
  struct request r;
  union list in;
  empty_list(out, MAX_COLUMNS);
  empty_list(&in, MAX_COLUMNS);
  start(&r, "SET ");
  statement(&r, sql);
  r.area.section = section;
  r.area.sqliasda = &out->da;
  r.area.sqliasda2 = &in.da;
  r.area.setvars = 'Y';
  run(&r, sql);
}

/* The variables of every column: its value and indicator areas. */
struct host {
  union {
    int64_t align;
    unsigned char b[ROOM];
  } data[MAX_COLUMNS];
  union {
    int32_t align;
    unsigned char b[sizeof(int32_t) + MAX_ELEMENTS * sizeof(int16_t)];
  } ind[MAX_COLUMNS];
};

static void variable(SQLVAR* v, const struct column* c, struct host* h, int i) {
  memset(v, 0, sizeof *v);
  v->sqlcod = (uint8_t)(c->host | 1);
  v->XDIM = c->xdim;
  if (is_decimal(c->host)) {
    v->len.d.sqlprcsn = c->precision;
    v->len.d.sqlscale = c->scale;
  } else if (is_large(c->host)) {
    v->len.sqllen32 = c->sqllen32;
  } else {
    v->len.s.sqllen = c->sqllen;
  }
  v->SQLDATA = h->data[i].b;
  v->SQLIND = h->ind[i].b;
}

static int16_t ind16(const unsigned char* p) {
  int16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}
static int32_t ind32(const unsigned char* p) {
  int32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

/* The first row's values, or (row 2) NULL in all but one column. */
static void fill_row(struct host* h, int row) {
  memset(h, 0, sizeof *h);
  for (int k = 0; k < column_count; ++k) {
    const struct column* c = &columns[k];
    memcpy(h->data[k].b, c->value, c->value_len);
    if (row == 2 && filled_in_second_row(c)) {
      memcpy(h->data[k].b, SECOND_ROW_TEXT, sizeof SECOND_ROW_TEXT);
    } else if (c->xdim > 1) {
      const int32_t whole = row == 1 ? 0 : NULL_INDICATOR;
      memcpy(h->ind[k].b, &whole, sizeof whole);
      if (row == 1) memcpy(h->ind[k].b + sizeof whole, c->elements, sizeof c->elements);
    } else if (row == 2) {
      const int32_t null32 = NULL_INDICATOR;
      if (wide_indicator(c->host)) {
        memcpy(h->ind[k].b, &null32, sizeof null32);
      } else {
        memcpy(h->ind[k].b, &NULL_INDICATOR, sizeof NULL_INDICATOR);
      }
    }
  }
}

/* A fixed national value: the word, then one pad pair to the end, ended. */
static int padded_national(const unsigned char* got, const struct column* c, size_t word_len) {
  const size_t room = 2 * (size_t)c->sqllen;
  if (memcmp(got, c->value, word_len) != 0 || got[room] != 0) return 0;
  for (size_t k = word_len; k + 2 <= room; k += 2) {
    if (got[k] != got[word_len] || got[k + 1] != got[word_len + 1]) return 0;
  }
  return 1;
}

static void check_column(const struct host* h, int k, const struct column* c, int row, int described,
                         size_t word_len) {
  const unsigned char* got = h->data[k].b;
  const unsigned char* ind = h->ind[k].b;
  const int wide = wide_indicator(c->host) && c->xdim == 1;
  const int32_t indicator = c->xdim > 1 || wide ? ind32(ind) : ind16(ind);
  for (size_t b = c->size; b < ROOM; ++b) {
    if (got[b] != GUARD) {
      check(0, "a byte past the variable changed", c->name, row);
      break;
    }
  }
  if (row == 2 && !filled_in_second_row(c)) {
    /* A NULL: -1, and the value is left alone or takes the data that
     * follows it, as the reply form has it. */
    check(indicator == NULL_INDICATOR, "NULL indicator", c->name, row);
    return;
  }
  check(indicator == 0, "indicator", c->name, row);
  if (row == 2) {
    const size_t n = strlen(SECOND_ROW_TEXT);
    check(described ? ind16(got) == (int16_t)n && memcmp(got + 2, SECOND_ROW_TEXT, n) == 0
                    : memcmp(got, SECOND_ROW_TEXT, n + 1) == 0,
          "value", c->name, row);
    return;
  }
  if (c->xdim > 1) {
    check(memcmp(ind + sizeof(int32_t), c->elements, c->xdim * sizeof(int16_t)) == 0, "element indicators", c->name,
          row);
  }
  const unsigned char* want = described && c->described_len != 0 ? c->described : c->value;
  const size_t n = described && c->described_len != 0 ? c->described_len : c->value_len;
  if (c->padded) {
    check(padded_national(got, c, word_len), "value", c->name, row);
  } else {
    check(memcmp(got + c->kept, want + c->kept, n - c->kept) == 0, "value", c->name, row);
  }
}

/* The columns a cursor reads: those that need the descriptor form, or all the others. */
static int select_columns(int own_cursor, int* which, char* sql, size_t room) {
  int n = 0;
  size_t used = (size_t)snprintf(sql, room, "SELECT ");
  for (int i = 0; i < column_count; ++i) {
    if (columns[i].own_cursor != own_cursor) continue;
    which[n] = i;
    used += (size_t)snprintf(sql + used, room - used, "%s%s", n == 0 ? "" : ", ", columns[i].name);
    ++n;
  }
  snprintf(sql + used, room - used, " FROM T1 WHERE G = ?");
  return n;
}

/* OPEN with a USING value, the rows to the end, CLOSE. `described`: the
 * variables take the description PREPARE gave, else the program's own. */
static void cursor_pass(int16_t section, const int* which, int n, union list* description, int described,
                        size_t word_len) {
  struct request r;
  int32_t key = GROUP;
  int16_t key_ind = 0;
  union list using_list;
  union list into;
  struct host* h = malloc(sizeof *h);
  if (h == NULL) {
    ++failures;
    return;
  }
  empty_list(&using_list, 1);
  using_list.da.sqld = 1;
  SQLVAR* key_var = var_of(&using_list, 0);
  key_var->sqlcod = 0xF1;
  key_var->XDIM = 1;
  key_var->len.s.sqllen = 4;
  key_var->SQLDATA = &key;
  key_var->SQLIND = &key_ind;
  start(&r, "OPEN");
  r.area.section = section;
  r.area.sqliasda = &using_list.da;
  run(&r, "OPEN");
  for (int row = 1;; ++row) {
    memset(h, GUARD, sizeof *h);
    empty_list(&into, (int16_t)n);
    into.da.sqld = (int16_t)n;
    for (int k = 0; k < n; ++k) {
      SQLVAR* v = var_of(&into, k);
      if (described) {
        const struct column* c = &columns[which[k]];
        *v = *var_of(description, k);
        check(v->sqlcod == (c->code | 1) && v->XDIM == c->xdim, "description", c->name, row);
        v->SQLDATA = h->data[k].b;
        v->SQLIND = h->ind[k].b;
      } else {
        variable(v, &columns[which[k]], h, k);
      }
    }
    start(&r, "FETC");
    r.area.section = section;
    r.area.sqliasda = &into.da;
    if (run(&r, "FETCH") == NO_ROWS) {
      check(row == ROWS + 1, "the end of the cursor after two rows", "", row);
      check(r.sqlca.sqlerrml == (int16_t)strlen(END_OF_CURSOR) &&
                memcmp(r.sqlca.sqlerrmc, END_OF_CURSOR, strlen(END_OF_CURSOR)) == 0,
            "end message", "", row);
      for (size_t b = 0; b < sizeof *h; ++b) {
        if (((unsigned char*)h)[b] != GUARD) {
          check(0, "the end of the cursor wrote a variable", "", row);
          break;
        }
      }
      break;
    }
    if (row > ROWS) {
      check(0, "more rows than the table holds", "", row);
      break;
    }
    check(r.sqlca.SQLCODE == 0 && r.sqlca.sqlwarn[0] == ' ', "no warning", "", row);
    for (int k = 0; k < n; ++k) check_column(h, k, &columns[which[k]], row, described, word_len);
  }
  start(&r, "CLOS");
  r.area.section = section;
  run(&r, "CLOSE");
  free(h);
}

static size_t from_hex(const char* hex, unsigned char* out, size_t room) {
  size_t n = 0;
  while (hex != NULL && hex[0] != '\0' && hex[1] != '\0' && n < room) {
    unsigned v = 0;
    if (sscanf(hex, "%2x", &v) != 1) break;
    out[n++] = (unsigned char)v;
    hex += 2;
  }
  return n;
}

/* Both rows through one prepared INSERT with a USING list of every column. */
static void insert_rows(void) {
  char sql[SQL_ROOM];
  size_t used = (size_t)snprintf(sql, sizeof sql, "INSERT INTO T1 (");
  for (int i = 0; i < column_count; ++i) {
    used += (size_t)snprintf(sql + used, sizeof sql - used, "%s, ", columns[i].name);
  }
  used += (size_t)snprintf(sql + used, sizeof sql - used, "G) VALUES (");
  for (int i = 0; i < column_count; ++i) used += (size_t)snprintf(sql + used, sizeof sql - used, "?, ");
  snprintf(sql + used, sizeof sql - used, "%d)", GROUP);
  union list description;
  prepare(sql, INSERT_SECTION, &description);
  struct host* h = malloc(sizeof *h);
  if (h == NULL) {
    ++failures;
    return;
  }
  union list values;
  for (int row = 1; row <= ROWS; ++row) {
    empty_list(&values, (int16_t)column_count);
    values.da.sqld = (int16_t)column_count;
    fill_row(h, row);
    for (int i = 0; i < column_count; ++i) {
      variable(var_of(&values, i), &columns[i], h, i);
    }
    struct request r;
    start(&r, "AUX ");
    r.area.section = INSERT_SECTION;
    r.area.sqliasda = &values.da;
    run(&r, "EXECUTE");
  }
  free(h);
}

int main(void) {
  unsigned char word[32];
  const size_t word_len = from_hex(getenv("ZK_WORD"), word, sizeof word);
  const char* same = getenv("ZK_SAME_ORDER");
  declare_columns(word, word_len, same != NULL && strcmp(same, "1") == 0);

  struct request r;
  start(&r, "CNCT");
  blank(r.area.authid, sizeof r.area.authid, "scott");
  blank(r.area.passwd, sizeof r.area.passwd, "tiger");
  blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  run(&r, "CONNECT");
  if (failures != 0) return 1;

  insert_rows();
  if (failures != 0) return 1;

  /* Each cursor twice: the program's host variables, then the SQLDA
   * that PREPARE described. The large objects always ask for the
   * descriptor form, and the SQLDA form does not take 0xA8, 0xB8, 0xC8
   * and 0xE6, so they have a cursor of their own. */
  for (int own_cursor = 0; own_cursor <= 1; ++own_cursor) {
    char sql[SQL_ROOM];
    int which[MAX_COLUMNS];
    union list description;
    const int16_t section = own_cursor ? DESCRIPTOR_SECTION : CURSOR_SECTION;
    const int n = select_columns(own_cursor, which, sql, sizeof sql);
    prepare(sql, section, &description);
    cursor_pass(section, which, n, &description, 0, word_len);
    cursor_pass(section, which, n, &description, 1, word_len);
  }

  start(&r, "CMIT");
  run(&r, "COMMIT");
  start(&r, "DISC");
  run(&r, "DISCONNECT");
  if (failures == 0) puts("zk_roundtrip: every check held");
  return failures == 0 ? 0 : 1;
}
