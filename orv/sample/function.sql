-- ファンクションのサンプル
-- C言語で作成した共有ライブラリの関数を、SQLから呼び出せるように登録します。
CREATE FUNCTION SALES.TAX_INCLUDED(IN INT, IN NUMERIC(5, 2))
RETURNS  INT
COMMENT  '税込金額の計算'
LANGUAGE C
NAME     'tax_included'
LIBRARY  '/opt/sales/lib/libsalesfunc.so'
