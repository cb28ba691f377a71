-- A history database written by a later version of the tool.
UPDATE schema_version SET version = 7;
