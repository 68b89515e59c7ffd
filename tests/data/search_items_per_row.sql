-- The item index of earlier versions: every item row's text indexed through a view, rows written since then pending.
CREATE VIEW "ItemsSearchText" AS SELECT rowid AS SearchKey,coalesce(CAST("ProductCode" AS TEXT),'')||char(10)||coalesce(CAST("Product" AS TEXT),'') AS doc FROM "Items";
CREATE VIRTUAL TABLE "ItemsSearch" USING fts5(doc,content='ItemsSearchText',content_rowid='SearchKey',tokenize='trigram',detail='none',columnsize=0);
CREATE TABLE "ItemsSearchPending"(key INTEGER PRIMARY KEY);
INSERT INTO "ItemsSearch"(rowid,doc) SELECT SearchKey,doc FROM "ItemsSearchText";
CREATE TRIGGER "ItemsSearch_insert" AFTER INSERT ON "Items" BEGIN INSERT OR IGNORE INTO "ItemsSearchPending"(key) VALUES(NEW.rowid); END;
CREATE TRIGGER "ItemsSearch_change" BEFORE UPDATE OF "ProductCode","Product" ON "Items" WHEN NOT EXISTS(SELECT 1 FROM "ItemsSearchPending" WHERE key=OLD.rowid) BEGIN INSERT INTO "ItemsSearch"("ItemsSearch",rowid,doc) SELECT 'delete',SearchKey,doc FROM "ItemsSearchText" WHERE SearchKey=OLD.rowid; INSERT OR IGNORE INTO "ItemsSearchPending"(key) VALUES(OLD.rowid); END;
CREATE TRIGGER "ItemsSearch_delete" BEFORE DELETE ON "Items" BEGIN INSERT INTO "ItemsSearch"("ItemsSearch",rowid,doc) SELECT 'delete',SearchKey,doc FROM "ItemsSearchText" WHERE SearchKey=OLD.rowid AND NOT EXISTS(SELECT 1 FROM "ItemsSearchPending" WHERE key=OLD.rowid); DELETE FROM "ItemsSearchPending" WHERE key=OLD.rowid; END;
