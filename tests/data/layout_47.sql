-- A database of the 4.7 layout: the current Orders and OrdersArchve, but still the old
-- Email table (sender column only) and Items and ItemsArchive with Date. Proxy holds a
-- row without a port.
CREATE TABLE Orders(
  ShopperID integer,
  Username char(20),
  Invoice_date date,
  Invoice_time time,
  Invoice_name char(20),
  Invoice_company char(20),
  Invoice_address1 char(20),
  Invoice_address2 char(20),
  Invoice_state char(20),
  Invoice_zip char(20),
  Invoice_country char(20),
  Invoice_tel char(20),
  Invoice_fax char(20),
  Invoice_email char(20),
  Invoice_TaxID char(20),
  Ship_name char(20),
  Ship_company char(20),
  Ship_address1 char(20),
  Ship_address2 char(20),
  Ship_state char(20),
  Ship_zip char(20),
  Ship_tel char(20),
  Ship_country char(20),
  Discount float,
  Voucher float,
  Tax float,
  Shipping float,
  Total float,
  Message memo text,
  ExtraData char(20),
  Payment_ref char(20),
  Payment_notes char(20),
  Voucher_code char(20),
  Shipping_zone char(20),
  IP_address char(20),
  Payment_currency char(20),
  Payment_method char(20),
  Payment_card_holder char(20),
  Payment_field1 char(20),
  Payment_field2 char(20),
  Payment_field3 char(20),
  Payment_field4 char(20),
  Payment_field5 char(20),
  Payment_field6 char(20),
  Status char(20),
  Selected boolean,
  Gift_voucher_value float,
  Gift_voucher_code char(20),
  Notes char(20),
  New boolean Default True,
  id INTEGER PRIMARY KEY AUTOINCREMENT
);
CREATE TABLE OrdersArchve(
  ShopperID integer,
  Username char(20),
  Invoice_date date,
  Invoice_time time,
  Invoice_name char(20),
  Invoice_company char(20),
  Invoice_address1 char(20),
  Invoice_address2 char(20),
  Invoice_state char(20),
  Invoice_zip char(20),
  Invoice_country char(20),
  Invoice_tel char(20),
  Invoice_fax char(20),
  Invoice_email char(20),
  Invoice_TaxID char(20),
  Ship_name char(20),
  Ship_company char(20),
  Ship_address1 char(20),
  Ship_address2 char(20),
  Ship_state char(20),
  Ship_zip char(20),
  Ship_tel char(20),
  Ship_country char(20),
  Discount float,
  Voucher float,
  Tax float,
  Shipping float,
  Total float,
  Message memo text,
  ExtraData char(20),
  Payment_ref char(20),
  Payment_notes char(20),
  Voucher_code char(20),
  Shipping_zone char(20),
  IP_address char(20),
  Payment_currency char(20),
  Payment_method char(20),
  Payment_card_holder char(20),
  Payment_field1 char(20),
  Payment_field2 char(20),
  Payment_field3 char(20),
  Payment_field4 char(20),
  Payment_field5 char(20),
  Payment_field6 char(20),
  Status char(20),
  Selected boolean,
  Gift_voucher_value float,
  Gift_voucher_code char(20),
  Notes char(20),
  New boolean Default True,
  id integer
);
CREATE TABLE Items(
  ShopperID integer,
  Qty float,
  ProductCode char(50),
  Product memo text,
  Units char(50),
  Price float,
  Amount float,
  Date date
);
CREATE TABLE ItemsArchive(
  ShopperID integer,
  Qty float,
  ProductCode char(50),
  Product memo text,
  Units char(50),
  Price float,
  Amount float,
  Date date
);
CREATE TABLE Users(Username char(50),Website char(100),Pass char(50),Secure char(50));
CREATE TABLE Status(Status char(20),RecordId INTEGER PRIMARY KEY AUTOINCREMENT);
CREATE TABLE Method(PaymentMethod char(20));
CREATE TABLE Templates(TemplateName char(50),TemplateAddress char(255),RecordId INTEGER PRIMARY KEY AUTOINCREMENT);
CREATE TABLE Triggers(ID INTEGER PRIMARY KEY AUTOINCREMENT,Status char(20),Template char(50),Active boolean);
CREATE TABLE Global(Version char(10));
CREATE TABLE RepFolders(RecordId INTEGER PRIMARY KEY AUTOINCREMENT,Name char(100),ParentId integer);
CREATE TABLE RepReports(RecordId INTEGER PRIMARY KEY AUTOINCREMENT,FolderId integer,Name char(100),Size integer,Template blob,ItemType integer,Modified timestamp,Deleted timestamp);
CREATE TABLE Email("From" char(50));
CREATE TABLE Proxy(User char(20),Pass char(20),Server char(20),Port integer);

INSERT INTO Global(Version) VALUES('4.7');
INSERT INTO Email("From") VALUES('Sales O''Neill <sales@shop.example>');
INSERT INTO Proxy(User,Pass,Server,Port) VALUES('proxyuser','proxypass','proxy.shop.example',NULL);
INSERT INTO Users(Username,Website,Pass,Secure) VALUES('7shop','Garden tools','login7','pay7');
INSERT INTO Users(Username,Website,Pass,Secure) VALUES('Bshop','Book corner','loginB','payB');
INSERT INTO Status(Status) VALUES('Unpaid');
INSERT INTO Status(Status) VALUES('Paid');
INSERT INTO Status(Status) VALUES('Shipped');
INSERT INTO Status(Status) VALUES('Completed');
INSERT INTO Method(PaymentMethod) VALUES('Credit card');
INSERT INTO Method(PaymentMethod) VALUES('Cheque');
INSERT INTO Templates(TemplateName,TemplateAddress) VALUES('Order shipped','order_shipped.htm');
INSERT INTO Triggers(Status,Template,Active) VALUES('Shipped','Order shipped',1);
INSERT INTO RepFolders(Name,ParentId) VALUES('Reports',-1);
INSERT INTO RepReports(FolderId,Name,Size,Template,ItemType,Modified,Deleted) VALUES(1,'Invoice',4,X'01020304',1,'2006-12-31 10:00:00',NULL);

INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,Invoice_state,Invoice_zip,Invoice_country,Invoice_tel,Invoice_fax,Invoice_email,Invoice_TaxID,Ship_name,Ship_company,Ship_address1,Ship_address2,Ship_state,Ship_zip,Ship_tel,Ship_country,Discount,Voucher,Tax,Shipping,Total,Message,ExtraData,Payment_ref,Payment_notes,Voucher_code,Shipping_zone,IP_address,Payment_currency,Payment_method,Payment_card_holder,Payment_field1,Payment_field2,Payment_field3,Payment_field4,Payment_field5,Payment_field6,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,id)
  VALUES(1001,'7shop','2006-12-30','09:15:00','Invoice name 1001','Invoice company 1001','Invoice address1 1001','Invoice address2 1001','Invoice state 1001','Invoice zip 1001','Invoice country 1001','Invoice tel 1001','Invoice fax 1001','Invoice email 1001','Invoice TaxID 1001','Ship name 1001','Ship company 1001','Ship address1 1001','Ship address2 1001','Ship state 1001','Ship zip 1001','Ship tel 1001','Ship country 1001',33.0,32.75,31.75,33.0,32.25,'Please ring twice,
leave it with the neighbour at No. 1','ExtraData 1001','Payment ref 1001','Payment notes 1001','Voucher code 1001','Shipping zone 1001','IP address 1001','Payment currency 1001','Payment method 1001','Payment card holder 1001','Payment field1 1001','Payment field2 1001','Payment field3 1001','Payment field4 1001','Payment field5 1001','Payment field6 1001','Paid',0,5.5,'GV-1001','Notes 1001',0,1);
INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,Invoice_state,Invoice_zip,Invoice_country,Invoice_tel,Invoice_fax,Invoice_email,Invoice_TaxID,Ship_name,Ship_company,Ship_address1,Ship_address2,Ship_state,Ship_zip,Ship_tel,Ship_country,Discount,Voucher,Tax,Shipping,Total,Message,ExtraData,Payment_ref,Payment_notes,Voucher_code,Shipping_zone,IP_address,Payment_currency,Payment_method,Payment_card_holder,Payment_field1,Payment_field2,Payment_field3,Payment_field4,Payment_field5,Payment_field6,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,id)
  VALUES(1002,'7shop','2006-12-31','14:30:05','A billing name much longer than twenty characters','Invoice company 1002','Invoice address1 1002','Invoice address2 1002','Invoice state 1002','Invoice zip 1002','Invoice country 1002','Invoice tel 1002','Invoice fax 1002','Invoice email 1002','Invoice TaxID 1002','Ship name 1002','Ship company 1002','Ship address1 1002','Ship address2 1002','Ship state 1002','Ship zip 1002','Ship tel 1002','Ship country 1002',34.0,33.75,32.75,34.0,33.25,'Please ring twice,
leave it with the neighbour at No. 2','ExtraData 1002','Payment ref 1002','Payment notes 1002','Voucher code 1002','Shipping zone 1002','IP address 1002','Payment currency 1002','Payment method 1002','Payment card holder 1002','Payment field1 1002','Payment field2 1002','Payment field3 1002','Payment field4 1002','Payment field5 1002','Payment field6 1002','Shipped',1,5.5,'GV-1002','Merchant''s note, longer than twenty characters',0,2);
INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,Invoice_state,Invoice_zip,Invoice_country,Invoice_tel,Invoice_fax,Invoice_email,Invoice_TaxID,Ship_name,Ship_company,Ship_address1,Ship_address2,Ship_state,Ship_zip,Ship_tel,Ship_country,Discount,Voucher,Tax,Shipping,Total,Message,ExtraData,Payment_ref,Payment_notes,Voucher_code,Shipping_zone,IP_address,Payment_currency,Payment_method,Payment_card_holder,Payment_field1,Payment_field2,Payment_field3,Payment_field4,Payment_field5,Payment_field6,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,id)
  VALUES(2001,'Bshop','2007-01-02','23:59:59','Invoice name 2001','Invoice company 2001','Invoice address1 2001','Invoice address2 2001','Invoice state 2001','Invoice zip 2001','Invoice country 2001','Invoice tel 2001','Invoice fax 2001','Invoice email 2001','Invoice TaxID 2001','Ship name 2001','Ship company 2001','Ship address1 2001','Ship address2 2001','Ship state 2001','Ship zip 2001','Ship tel 2001','Ship country 2001',63.0,62.75,61.75,63.0,62.25,'Please ring twice,
leave it with the neighbour at No. 1','ExtraData 2001','Payment ref 2001','Payment notes 2001','Voucher code 2001','Shipping zone 2001','IP address 2001','Payment currency 2001','Payment method 2001','Payment card holder 2001','Payment field1 2001','Payment field2 2001','Payment field3 2001','Payment field4 2001','Payment field5 2001','Payment field6 2001','Unpaid',0,5.5,'GV-2001','Notes 2001',0,3);
INSERT INTO OrdersArchve(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,Invoice_state,Invoice_zip,Invoice_country,Invoice_tel,Invoice_fax,Invoice_email,Invoice_TaxID,Ship_name,Ship_company,Ship_address1,Ship_address2,Ship_state,Ship_zip,Ship_tel,Ship_country,Discount,Voucher,Tax,Shipping,Total,Message,ExtraData,Payment_ref,Payment_notes,Voucher_code,Shipping_zone,IP_address,Payment_currency,Payment_method,Payment_card_holder,Payment_field1,Payment_field2,Payment_field3,Payment_field4,Payment_field5,Payment_field6,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,id)
  VALUES(901,'7shop','2005-03-04','08:00:00','Invoice name 901','Invoice company 901','Invoice address1 901','Invoice address2 901','Invoice state 901','Invoice zip 901','Invoice country 901','Invoice tel 901','Invoice fax 901','Invoice email 901','Invoice TaxID 901','Ship name 901','Ship company 901','Ship address1 901','Ship address2 901','Ship state 901','Ship zip 901','Ship tel 901','Ship country 901',30.0,29.75,28.75,30.0,29.25,'Please ring twice,
leave it with the neighbour at No. 1','ExtraData 901','Payment ref 901','Payment notes 901','Voucher code 901','Shipping zone 901','IP address 901','Payment currency 901','Payment method 901','Payment card holder 901','Payment field1 901','Payment field2 901','Payment field3 901','Payment field4 901','Payment field5 901','Payment field6 901','Completed',0,5.5,'GV-901','Notes 901',0,40);
INSERT INTO OrdersArchve(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,Invoice_state,Invoice_zip,Invoice_country,Invoice_tel,Invoice_fax,Invoice_email,Invoice_TaxID,Ship_name,Ship_company,Ship_address1,Ship_address2,Ship_state,Ship_zip,Ship_tel,Ship_country,Discount,Voucher,Tax,Shipping,Total,Message,ExtraData,Payment_ref,Payment_notes,Voucher_code,Shipping_zone,IP_address,Payment_currency,Payment_method,Payment_card_holder,Payment_field1,Payment_field2,Payment_field3,Payment_field4,Payment_field5,Payment_field6,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,id)
  VALUES(902,'Bshop','2005-05-06','12:00:00','Invoice name 902','Invoice company 902','Invoice address1 902','Invoice address2 902','Invoice state 902','Invoice zip 902','Invoice country 902','Invoice tel 902','Invoice fax 902','Invoice email 902','Invoice TaxID 902','Ship name 902','Ship company 902','Ship address1 902','Ship address2 902','Ship state 902','Ship zip 902','Ship tel 902','Ship country 902',31.0,30.75,29.75,31.0,30.25,'Please ring twice,
leave it with the neighbour at No. 2','ExtraData 902','Payment ref 902','Payment notes 902','Voucher code 902','Shipping zone 902','IP address 902','Payment currency 902','Payment method 902','Payment card holder 902','Payment field1 902','Payment field2 902','Payment field3 902','Payment field4 902','Payment field5 902','Payment field6 902','Completed',1,5.5,'GV-902','Notes 902',0,41);
INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(1001,2,'RAKE-1','Garden rake,
wooden handle','pcs',12.5,25.0,'2006-12-30');
INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(1001,1,'HOE-2','Hoe','pcs',8.25,8.25,'2006-12-30');
INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(1002,3,'SEED-9','Sunflower seeds ''giant''','bags',1.2,3.6,'2006-12-31');
INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(2001,1,'BK-77','A book','pcs',19.99,19.99,'2007-01-02');
INSERT INTO ItemsArchive(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(901,1,'OLD-1','Old spade','pcs',15.0,15.0,'2005-03-04');
INSERT INTO ItemsArchive(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Date) VALUES(902,4,'OLD-2','Old pots','pcs',2.5,10.0,'2005-05-06');
