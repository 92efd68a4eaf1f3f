-- The bookmark database (Bookmark.mdb). Every statement may run again on an existing database:
-- it adds what is missing and changes nothing else. Text columns carry their size as a CHECK
-- constraint, so a longer value is refused instead of stored.

CREATE TABLE IF NOT EXISTS LinksData (
  HomePage TEXT CONSTRAINT HomePage_size CHECK (length(HomePage) <= 2048),
  Category TEXT CONSTRAINT Category_size CHECK (length(Category) <= 255),
  Description TEXT CONSTRAINT Description_size CHECK (length(Description) <= 1024)
);
CREATE INDEX IF NOT EXISTS LinksData_HomePage ON LinksData (HomePage);
CREATE INDEX IF NOT EXISTS LinksData_Category ON LinksData (Category);
-- The bookmark pages and the search list by description: the index holds every column, so
-- they read it in order without a lookup in the table for each row.
CREATE INDEX IF NOT EXISTS LinksData_Description ON LinksData (Description, HomePage, Category);

CREATE TABLE IF NOT EXISTS LinksCategory (
  Category TEXT CONSTRAINT Category_size CHECK (length(Category) <= 255)
);
CREATE INDEX IF NOT EXISTS LinksCategory_Category ON LinksCategory (Category);

-- CreateTime is filled by the table itself: local time of the insert, to the millisecond.
CREATE TABLE IF NOT EXISTS History (
  URL TEXT CONSTRAINT URL_size CHECK (length(URL) <= 2048),
  Title TEXT CONSTRAINT Title_size CHECK (length(Title) <= 1024),
  CreateTime TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'))
);
-- Newest first reads the index backwards; rows of the same millisecond come in reverse insert order.
CREATE INDEX IF NOT EXISTS History_CreateTime ON History (CreateTime);

CREATE TABLE IF NOT EXISTS FormURL (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  URL TEXT CONSTRAINT URL_size CHECK (length(URL) <= 2048),
  FormName TEXT CONSTRAINT FormName_size CHECK (length(FormName) <= 255),
  Active INTEGER NOT NULL DEFAULT 1,
  domain TEXT CONSTRAINT domain_size CHECK (length(domain) <= 255),
  action TEXT CONSTRAINT action_size CHECK (length(action) <= 2048)
);
CREATE INDEX IF NOT EXISTS FormURL_domain ON FormURL (domain);
CREATE INDEX IF NOT EXISTS FormURL_URL ON FormURL (URL);

CREATE TABLE IF NOT EXISTS FormURLData (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  FormURLID INTEGER,
  Name TEXT CONSTRAINT Name_size CHECK (length(Name) <= 255),
  Value TEXT CONSTRAINT Value_size CHECK (length(Value) <= 1024)
);
CREATE INDEX IF NOT EXISTS FormURLData_Form ON FormURLData (FormURLID, Name);
