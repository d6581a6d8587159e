#!/bin/sh
# Makes a SQLite catalogue of N tables of four columns: big-catalogue.sh SQLITE3 OUTPUT N
set -eu
sqlite3=$1 out=$2 n=$3
rm -f "$out.tmp"
{
  echo 'BEGIN;'
  "$sqlite3" :memory: "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < $n - 1)
    SELECT printf('CREATE TABLE \"Table %d\" (Column0 INTEGER, Column1 VARCHAR(40), Column2 DATETIME, Column3 INTEGER);', i) FROM n"
  echo 'COMMIT;'
} | "$sqlite3" -bail "$out.tmp"
mv "$out.tmp" "$out"
