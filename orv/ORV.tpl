%%%データ操作
【 SELECT 】 問合せ
SELECT <選択リスト>
  FROM <表参照>
 WHERE <探索条件>
 ORDER BY <列名> [ASC | DESC]
【 INSERT 】 行の挿入
INSERT INTO <表名> (<列名>,...) VALUES (<値>,...)
【 UPDATE 】 行の更新
UPDATE <表名> SET
<列名>= <値>
 WHERE <探索条件>
【 DELETE 】 行の削除
DELETE FROM <表名>
 WHERE <探索条件>
【 選択リスト 】
* | <列名>,... | <別名>.<列名>,...
【 表参照 】
<表名> [<別名>],...
【 表名 】
<スキーマ名>.<名前>
【 探索条件 】
<列名> = <値> [AND | OR <探索条件>]
【 列名 】
名前 (英小文字を含む名前は "名前")
【 値 】
'文字列' | 数値 | NULL | :変数名
%%%表と索引
【 CREATE TABLE 】 表の定義
CREATE TABLE <表名> (
  <列定義>,...
  [, PRIMARY KEY (<列名>,...)]
)
【 列定義 】
<列名> <データ型> [DEFAULT <値>] [NOT NULL]
【 データ型 】
CHAR(n) | CHAR VARYING(n) | NCHAR(n) | NCHAR VARYING(n) | BLOB(n)
INTEGER | SMALLINT | NUMERIC(p,s) | DECIMAL(p,s) | FLOAT(p) | REAL | DOUBLE PRECISION
DATE | TIME | TIMESTAMP | INTERVAL DAY(p) TO SECOND
【 ALTER TABLE 】 列の追加
ALTER TABLE <表名> ADD <列定義>
【 DROP TABLE 】 表の削除
DROP TABLE <表名> CASCADE
【 CREATE INDEX 】 索引の定義
CREATE INDEX <スキーマ名>.<表名>.<索引名> (<列名>,...)
【 CREATE VIEW 】 ビューの定義
CREATE VIEW <表名> (<列名>,...) AS
<SELECT>
【 COMMENT 】 注釈
COMMENT ON TABLE <表名> IS '注釈'
COMMENT ON COLUMN <表名>.<列名> IS '注釈'
%%%権限とその他
【 GRANT 】 権限の付与
GRANT <権限> ON <表名> TO [ROLE ]<利用者名>[ WITH GRANT OPTION]
【 REVOKE 】 権限の取消し
REVOKE <権限> ON <表名> FROM [ROLE ]<利用者名>
【 権限 】
ALL PRIVILEGES | SELECT | INSERT | UPDATE | DELETE
【 CREATE SEQUENCE 】 順序の定義
CREATE SEQUENCE <スキーマ名>.<順序名>
  START WITH 1 INCREMENT BY 1
【 順序の値 】
SELECT <スキーマ名>.<順序名>.NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE
【 CREATE SCHEMA 】 スキーマの定義
CREATE SCHEMA <スキーマ名>
