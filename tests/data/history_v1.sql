-- A history database as the first schema left it: one controller met once, one write without
-- an outcome, one parameter set and one sample without divisors. Statements end with ";" at a
-- line end.
CREATE TABLE schema_version (version INTEGER NOT NULL);
CREATE TABLE identifications (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, firmware TEXT NOT NULL, device_name TEXT NOT NULL, generator_name TEXT NOT NULL, operator_name TEXT NOT NULL, PRIMARY KEY (serial, product_code, time_ms));
CREATE TABLE parameter_sets (hash TEXT NOT NULL PRIMARY KEY, words TEXT NOT NULL);
CREATE TABLE set_records (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT NOT NULL, kind TEXT NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, hash TEXT NOT NULL, PRIMARY KEY (serial, product_code, time_ms, kind));
CREATE TABLE writes (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT NOT NULL, seq INTEGER NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, action TEXT NOT NULL, changes TEXT NOT NULL, note TEXT NOT NULL, file TEXT NOT NULL, operator_name TEXT NOT NULL, PRIMARY KEY (serial, product_code, time_ms, seq));
CREATE TABLE events (serial TEXT NOT NULL, product_code INTEGER NOT NULL, record_hash TEXT NOT NULL, event_code INTEGER NOT NULL, event_time TEXT NOT NULL, record TEXT NOT NULL, first_read_ms BIGINT NOT NULL, read_order INTEGER NOT NULL, address INTEGER NOT NULL, port TEXT NOT NULL, PRIMARY KEY (serial, product_code, record_hash));
CREATE TABLE samples (serial TEXT NOT NULL, product_code INTEGER NOT NULL, time_ms BIGINT NOT NULL, gap INTEGER NOT NULL, counts TEXT NOT NULL, PRIMARY KEY (serial, product_code, time_ms));
INSERT INTO schema_version (version) VALUES (1);
INSERT INTO identifications VALUES ('0000AB12CD34', 3101, 1700000000000, 1, '/dev/ttyUSB0', 'V5.10', 'GC3101 V5.10', 'North pump', 'eng@pc1');
INSERT INTO parameter_sets VALUES ('h1', '0020000A00210014');
INSERT INTO set_records VALUES ('0000AB12CD34', 3101, 1700000001000, 'read', 1, '/dev/ttyUSB0', 'h1');
INSERT INTO writes VALUES ('0000AB12CD34', 3101, 1700000002000, 1, 1, '/dev/ttyUSB0', 'write', '0020000A000B', '', '', 'eng@pc1');
INSERT INTO samples VALUES ('0000AB12CD34', 3101, 1700000003000, 0, '05DC000000000000000000000000000000000000000000000000');
