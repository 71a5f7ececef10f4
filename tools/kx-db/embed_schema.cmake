# Writes OUT, a C++ source that holds the two schema scripts as raw strings, so
# that kx-db needs no files beside it. Run with -DSQLITE= -DPOSTGRES= -DOUT=.
file(READ "${SQLITE}" sqlite_sql)
file(READ "${POSTGRES}" postgres_sql)
foreach(sql IN ITEMS sqlite_sql postgres_sql)
  string(FIND "${${sql}}" ")kxsql\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "schema text contains the raw-string delimiter )kxsql\"")
  endif()
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from schema/sqlite.sql and schema/postgresql.sql; do not edit.
#include \"kx-db/schema_sql.h\"

namespace kx::dbtool {

std::string_view SqliteSchemaSql() {
    return R\"kxsql(${sqlite_sql})kxsql\";
}

std::string_view PostgresSchemaSql() {
    return R\"kxsql(${postgres_sql})kxsql\";
}

}  // namespace kx::dbtool
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
