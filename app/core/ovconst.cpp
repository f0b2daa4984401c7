#include "app/core/ovconst.h"

const std::array<TReportItem, kReportItemCount> ReportItems = {{
    {"オブジェクト一覧", "OBJECT"},
    {"テーブル定義", "TABLE"},
    {"ビュー定義", "VIEW"},
    {"インデックス定義", "INDEX"},
    {"オブジェクトタイプ", "OBJECTTYPE"},
    {"連番", "SEQ"},
    {"オブジェクト名", "OBJECTNAME"},
    {"スキーマ名", "SCHEMA"},
    {"定義日時", "CDATE"},
    {"注釈", "COMMENT"},
    {"表名", "TABLENAME"},
    {"格納構造", "STORAGETYPE"},
    {"格納領域情報", "STORAGE"},
    {"参照", "CROSS"},
    {"被参照", "COVERCROSS"},
    {"表名", "VIEWNAME"},
    {"DDL文", "DDL"},
    {"インデックス名", "INDEXNAME"},
    {"インデックスタイプ", "INDEXTYPE"},
    {"列名", "COLUMNNAME"},
    {"属性", "DTYPE"},
    {"文字数・バイト数", "LENGTH"},
    {"精度＋位取り", "SCALE"},
    {"NULL設定可能性", "NOTNULL"},
    {"デフォルト値", "DEFAULT"},
    {"プライマリキー", "PK"},
    {"一意制約情報・項目", "CONSTNAME"},
    {"一意制約情報・値", "CONSTVALUE"},
}};

uint8_t FindReportItem(const std::string& text, int column) {
  for (size_t i = 0; i < ReportItems.size(); ++i) {
    const char* entry = column == kReportItemCaption ? ReportItems[i].Caption : ReportItems[i].Key;
    if (text == entry) return static_cast<uint8_t>(i);
  }
  return 0;
}
