/*
  Velmora system schema: domains, system tables, their keys, sequences,
  foreign keys and the triggers that keep the catalogue consistent when
  objects, fields and links are deleted.

  How this script is run
  - CreateVelmoraDatabase runs it statement by statement on a freshly created
    database, committing after every statement (DDL is visible to the next
    statement only after its commit).
  - Statements end with the current terminator, ";" at the start. A statement
    "SET TERM <t>" (itself ended by the current terminator) makes <t> the new
    terminator, exactly as in isql; the PSQL bodies below use "^". So the file
    can also be run by hand: isql-fb -i system.sql <database>.
  - Text in quotes, double quotes and comments never ends a statement.
  - Every statement is sent through the client's statement layer, which reads
    ":NAME" as a parameter. Statements here therefore take no parameters and
    PSQL bodies use no colon-prefixed variables: they work with OLD/NEW and
    subqueries only.

  Conventions (the client relies on them)
  - Every table has one integer key column named <TABLE>_ID, a primary-key
    constraint PK_<TABLE>_ID and a sequence named exactly like the key column.
    Keys are drawn from the sequences by whoever inserts; no trigger assigns them.
  - Foreign keys are named FK_<TABLE>_<COLUMN>, unique constraints UN_ followed
    by their column names, as the configurator names its own constraints.
  - Text columns are UTF8 with the default (binary, case-sensitive) collation:
    logins and names are matched exactly. Business string columns created by
    the configurator use the collation UNICODE_CI, built into UTF8.
*/

/* Domains named by the configurator's DDL. PK carries no NOT NULL of its own:
   the DDL writes "PK NOT NULL". BOOL keeps NULL allowed (a null flag reads as
   0) but refuses anything other than 0 and 1. */
create domain PK as integer;
create domain FK as integer;
create domain INTEG as integer;
create domain BOOL as integer default 0 check (value in (0, 1));
create domain NUM182 as numeric(18, 2);
create domain NUM183 as numeric(18, 3);
create domain NUM184 as numeric(18, 4);
create domain DATEONLY as date;

/* ---------------------------------------------------------------- users */

create table USR (
  USR_ID PK not null,
  USR_LOGIN varchar(63) character set UTF8 not null,
  USR_NAME varchar(250) character set UTF8,
  constraint PK_USR_ID primary key (USR_ID),
  constraint UN_USR_LOGIN unique (USR_LOGIN)
);
create sequence USR_ID;

/* ---------------------------------------------------------- code tables */

create table FLDTYPE (
  FLDTYPE_ID PK not null,
  FLDTYPE_NAME varchar(31) character set UTF8 not null,
  constraint PK_FLDTYPE_ID primary key (FLDTYPE_ID),
  constraint UN_FLDTYPE_NAME unique (FLDTYPE_NAME)
);
create sequence FLDTYPE_ID;

create table FKRULE (
  FKRULE_ID PK not null,
  FKRULE_NAME varchar(31) character set UTF8 not null,
  constraint PK_FKRULE_ID primary key (FKRULE_ID),
  constraint UN_FKRULE_NAME unique (FKRULE_NAME)
);
create sequence FKRULE_ID;

create table FRMLFUNC (
  FRMLFUNC_ID PK not null,
  FRMLFUNC_NAME varchar(31) character set UTF8 not null,
  FRMLFUNC_CAPT varchar(100) character set UTF8,
  constraint PK_FRMLFUNC_ID primary key (FRMLFUNC_ID),
  constraint UN_FRMLFUNC_NAME unique (FRMLFUNC_NAME)
);
create sequence FRMLFUNC_ID;

create table CTRLTRTP (
  CTRLTRTP_ID PK not null,
  CTRLTRTP_NAME varchar(31) character set UTF8 not null,
  constraint PK_CTRLTRTP_ID primary key (CTRLTRTP_ID),
  constraint UN_CTRLTRTP_NAME unique (CTRLTRTP_NAME)
);
create sequence CTRLTRTP_ID;

create table FLTRTRTP (
  FLTRTRTP_ID PK not null,
  FLTRTRTP_NAME varchar(31) character set UTF8 not null,
  constraint PK_FLTRTRTP_ID primary key (FLTRTRTP_ID),
  constraint UN_FLTRTRTP_NAME unique (FLTRTRTP_NAME)
);
create sequence FLTRTRTP_ID;

/* ------------------------------------------- objects, fields and links */

create table OBJ (
  OBJ_ID PK not null,
  OBJ_TABLE varchar(31) character set UTF8 not null,
  OBJ_CAPT varchar(250) character set UTF8,
  OBJ_CAPT2 varchar(250) character set UTF8,
  OBJ_REF BOOL,
  OBJ_META BOOL,
  OBJ_SYS BOOL,
  constraint PK_OBJ_ID primary key (OBJ_ID),
  constraint UN_OBJ_TABLE unique (OBJ_TABLE)
);
create sequence OBJ_ID;

create table UNIQFLD (
  UNIQFLD_ID PK not null,
  constraint PK_UNIQFLD_ID primary key (UNIQFLD_ID)
);
create sequence UNIQFLD_ID;

create table FLD (
  FLD_ID PK not null,
  OBJ_ID FK not null,
  FLD_FIELD varchar(31) character set UTF8 not null,
  FLDTYPE_ID FK not null,
  FLD_SIZE INTEG default 0,
  FLD_NOTNULL BOOL,
  FLD_CAPT varchar(250) character set UTF8,
  UNIQFLD_ID FK,
  FLD_MAIN BOOL,
  DEP_ID_AGR FK,
  FLD_ID_AGR FK,
  FLD_VIRT BOOL,
  FLD_SYS BOOL,
  FLD_FRMLHAVE BOOL,
  FLD_DEF0 BOOL,
  constraint PK_FLD_ID primary key (FLD_ID),
  constraint UN_OBJ_ID_FLD_FIELD unique (OBJ_ID, FLD_FIELD)
);
create sequence FLD_ID;

create table DEP (
  DEP_ID PK not null,
  FLD_ID_PAR FK not null,
  FLD_ID_CHI FK not null,
  FKRULE_ID FK not null,
  DEP_MAIN BOOL,
  DEP_DET BOOL,
  DEP_CAPT varchar(250) character set UTF8,
  DEP_SYS BOOL,
  DEP_NAME varchar(63) character set UTF8,
  constraint PK_DEP_ID primary key (DEP_ID)
);
create sequence DEP_ID;

/* ------------------------------------------------------------- formulas */

/* FRMLTREE_VALUE: the constant of a constant node. Formula constants take
   part in arithmetic (Add, Ded, Mul, Div, Rate), so they are kept as exact
   numbers with four decimals and come back as currency values; a text column
   would hand numbers back as strings, which concatenate instead of adding. */
create table FRMLTREE (
  FRMLTREE_ID PK not null,
  FLD_ID FK not null,
  FRMLTREE_LFT INTEG not null,
  FRMLTREE_RGT INTEG not null,
  FRMLFUNC_ID FK,
  FLD_ID_VALUE FK,
  FRMLTREE_PATHHAVE BOOL,
  FRMLTREE_VALUE NUM184,
  constraint PK_FRMLTREE_ID primary key (FRMLTREE_ID)
);
create sequence FRMLTREE_ID;

create table FRMLTRPT (
  FRMLTRPT_ID PK not null,
  FRMLTREE_ID FK not null,
  FLD_ID FK not null,
  constraint PK_FRMLTRPT_ID primary key (FRMLTRPT_ID)
);
create sequence FRMLTRPT_ID;

/* ---------------------------------------------------------- table views */

create table TBL (
  TBL_ID PK not null,
  TBL_CAPT varchar(250) character set UTF8,
  TBL_DEFAULT BOOL,
  TBL_NAME varchar(63) character set UTF8,
  OBJ_ID FK,
  DEP_ID FK,
  TBL_DEV BOOL,
  constraint PK_TBL_ID primary key (TBL_ID)
);
create sequence TBL_ID;

create table TBLTREE (
  TBLTREE_ID PK not null,
  TBL_ID FK not null,
  FLD_ID FK not null,
  TBLTREE_LFT INTEG not null,
  TBLTREE_RGT INTEG not null,
  constraint PK_TBLTREE_ID primary key (TBLTREE_ID)
);
create sequence TBLTREE_ID;

create table USRTBL (
  USRTBL_ID PK not null,
  USR_ID FK not null,
  TBL_ID FK not null,
  constraint PK_USRTBL_ID primary key (USRTBL_ID),
  constraint UN_USR_ID_TBL_ID unique (USR_ID, TBL_ID)
);
create sequence USRTBL_ID;

/* ---------------------------------------------------------------- cards */

create table CARD (
  CARD_ID PK not null,
  CARD_CAPT varchar(250) character set UTF8,
  CARD_DEFAULT BOOL,
  CARD_NAME varchar(63) character set UTF8,
  OBJ_ID FK not null,
  CARD_WIDTH INTEG,
  CARD_HEIGHTATR INTEG,
  CARD_HEIGHTDET INTEG,
  CARD_DEV BOOL,
  constraint PK_CARD_ID primary key (CARD_ID)
);
create sequence CARD_ID;

create table CTRLTREE (
  CTRLTREE_ID PK not null,
  CARD_ID FK not null,
  CTRLTREE_LFT INTEG not null,
  CTRLTREE_RGT INTEG not null,
  CTRLTRTP_ID FK not null,
  FLD_ID FK,
  CTRLTREE_CLEFT INTEG,
  CTRLTREE_CTOP INTEG,
  CTRLTREE_CWIDTH INTEG,
  CTRLTREE_CHEIGHT INTEG,
  CTRLTREE_LLEFT INTEG,
  CTRLTREE_LTOP INTEG,
  CTRLTREE_LWIDTH INTEG,
  CTRLTREE_LHEIGHT INTEG,
  CTRLTREE_CAPT varchar(250) character set UTF8,
  CTRLTREE_ROADD BOOL,
  CTRLTREE_ROEDT BOOL,
  constraint PK_CTRLTREE_ID primary key (CTRLTREE_ID)
);
create sequence CTRLTREE_ID;

create table USRCARD (
  USRCARD_ID PK not null,
  USR_ID FK not null,
  CARD_ID FK not null,
  constraint PK_USRCARD_ID primary key (USRCARD_ID),
  constraint UN_USR_ID_CARD_ID unique (USR_ID, CARD_ID)
);
create sequence USRCARD_ID;

/* ---------------------------------------------------------- detail sets */

create table DETBOOK (
  DETBOOK_ID PK not null,
  DETBOOK_CAPT varchar(250) character set UTF8,
  DETBOOK_DEFAULT BOOL,
  DETBOOK_NAME varchar(63) character set UTF8,
  OBJ_ID FK not null,
  DETBOOK_DEV BOOL,
  constraint PK_DETBOOK_ID primary key (DETBOOK_ID)
);
create sequence DETBOOK_ID;

create table DETDEP (
  DETDEP_ID PK not null,
  DETBOOK_ID FK not null,
  DEP_ID FK not null,
  constraint PK_DETDEP_ID primary key (DETDEP_ID)
);
create sequence DETDEP_ID;

create table USRDET (
  USRDET_ID PK not null,
  USR_ID FK not null,
  DETBOOK_ID FK not null,
  constraint PK_USRDET_ID primary key (USRDET_ID),
  constraint UN_USR_ID_DETBOOK_ID unique (USR_ID, DETBOOK_ID)
);
create sequence USRDET_ID;

/* -------------------------------------------------------------- filters */

create table FLTR (
  FLTR_ID PK not null,
  FLTR_CAPT varchar(250) character set UTF8,
  FLTR_NAME varchar(63) character set UTF8,
  FLTR_ALWAYS BOOL,
  FLTR_DEV BOOL,
  TBL_ID FK,
  DEP_ID FK,
  OBJ_ID FK,
  constraint PK_FLTR_ID primary key (FLTR_ID)
);
create sequence FLTR_ID;

/* FLTRTREE_VALUE: the compared value. It is only ever bound as a statement
   parameter against the compared column, so it is kept as text and the server
   converts it to that column's type (a number, a date as YYYY-MM-DD, a text). */
create table FLTRTREE (
  FLTRTREE_ID PK not null,
  FLTR_ID FK not null,
  FLTRTREE_LFT INTEG not null,
  FLTRTREE_RGT INTEG not null,
  FLTRTRTP_ID FK not null,
  FLTRTREE_NOT BOOL,
  FLTRTREE_VALUE varchar(250) character set UTF8,
  FLD_ID FK,
  DEP_ID FK,
  FLTRTREE_NAME varchar(63) character set UTF8,
  constraint PK_FLTRTREE_ID primary key (FLTRTREE_ID)
);
create sequence FLTRTREE_ID;

create table FLTRTRPT (
  FLTRTRPT_ID PK not null,
  FLTRTREE_ID FK not null,
  FLD_ID FK not null,
  constraint PK_FLTRTRPT_ID primary key (FLTRTRPT_ID)
);
create sequence FLTRTRPT_ID;

/* ----------------------------------------------------------- currencies */

create table CURR (
  CURR_ID PK not null,
  CURR_CODE varchar(3) character set UTF8,
  CURR_NAME varchar(100) character set UTF8,
  CURR_BASE BOOL,
  constraint PK_CURR_ID primary key (CURR_ID)
);
create sequence CURR_ID;

create table CURRATE (
  CURRATE_ID PK not null,
  CURR_ID FK not null,
  CURRATE_DATE DATEONLY not null,
  CURRATE_VALUE NUM184 not null,
  constraint PK_CURRATE_ID primary key (CURRATE_ID),
  constraint UN_CURR_ID_CURRATE_DATE unique (CURR_ID, CURRATE_DATE)
);
create sequence CURRATE_ID;

/* ----------------------------------------------------------- references

   Cascade: the child row is a part of its parent and means nothing without
   it. No action: the row uses the parent from elsewhere; deleting the parent
   is refused until that use is removed (a silent cascade would change a
   formula, a filter, a sum, a view's or a card's layout, or lose data).
   Code tables are never deleted from. */

alter table FLD add constraint FK_FLD_OBJ_ID foreign key (OBJ_ID) references OBJ (OBJ_ID) on delete cascade;
alter table FLD add constraint FK_FLD_FLDTYPE_ID foreign key (FLDTYPE_ID) references FLDTYPE (FLDTYPE_ID);
alter table FLD add constraint FK_FLD_UNIQFLD_ID foreign key (UNIQFLD_ID) references UNIQFLD (UNIQFLD_ID) on delete set null;
alter table FLD add constraint FK_FLD_DEP_ID_AGR foreign key (DEP_ID_AGR) references DEP (DEP_ID);
alter table FLD add constraint FK_FLD_FLD_ID_AGR foreign key (FLD_ID_AGR) references FLD (FLD_ID);

alter table DEP add constraint FK_DEP_FLD_ID_PAR foreign key (FLD_ID_PAR) references FLD (FLD_ID) on delete cascade;
alter table DEP add constraint FK_DEP_FLD_ID_CHI foreign key (FLD_ID_CHI) references FLD (FLD_ID) on delete cascade;
alter table DEP add constraint FK_DEP_FKRULE_ID foreign key (FKRULE_ID) references FKRULE (FKRULE_ID);

alter table FRMLTREE add constraint FK_FRMLTREE_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID) on delete cascade;
alter table FRMLTREE add constraint FK_FRMLTREE_FRMLFUNC_ID foreign key (FRMLFUNC_ID) references FRMLFUNC (FRMLFUNC_ID);
alter table FRMLTREE add constraint FK_FRMLTREE_FLD_ID_VALUE foreign key (FLD_ID_VALUE) references FLD (FLD_ID);
alter table FRMLTRPT add constraint FK_FRMLTRPT_FRMLTREE_ID foreign key (FRMLTREE_ID) references FRMLTREE (FRMLTREE_ID) on delete cascade;
alter table FRMLTRPT add constraint FK_FRMLTRPT_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID);

alter table TBL add constraint FK_TBL_OBJ_ID foreign key (OBJ_ID) references OBJ (OBJ_ID) on delete cascade;
alter table TBL add constraint FK_TBL_DEP_ID foreign key (DEP_ID) references DEP (DEP_ID) on delete cascade;
alter table TBLTREE add constraint FK_TBLTREE_TBL_ID foreign key (TBL_ID) references TBL (TBL_ID) on delete cascade;
alter table TBLTREE add constraint FK_TBLTREE_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID);
alter table USRTBL add constraint FK_USRTBL_USR_ID foreign key (USR_ID) references USR (USR_ID) on delete cascade;
alter table USRTBL add constraint FK_USRTBL_TBL_ID foreign key (TBL_ID) references TBL (TBL_ID) on delete cascade;

alter table CARD add constraint FK_CARD_OBJ_ID foreign key (OBJ_ID) references OBJ (OBJ_ID) on delete cascade;
alter table CTRLTREE add constraint FK_CTRLTREE_CARD_ID foreign key (CARD_ID) references CARD (CARD_ID) on delete cascade;
alter table CTRLTREE add constraint FK_CTRLTREE_CTRLTRTP_ID foreign key (CTRLTRTP_ID) references CTRLTRTP (CTRLTRTP_ID);
alter table CTRLTREE add constraint FK_CTRLTREE_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID);
alter table USRCARD add constraint FK_USRCARD_USR_ID foreign key (USR_ID) references USR (USR_ID) on delete cascade;
alter table USRCARD add constraint FK_USRCARD_CARD_ID foreign key (CARD_ID) references CARD (CARD_ID) on delete cascade;

alter table DETBOOK add constraint FK_DETBOOK_OBJ_ID foreign key (OBJ_ID) references OBJ (OBJ_ID) on delete cascade;
alter table DETDEP add constraint FK_DETDEP_DETBOOK_ID foreign key (DETBOOK_ID) references DETBOOK (DETBOOK_ID) on delete cascade;
alter table DETDEP add constraint FK_DETDEP_DEP_ID foreign key (DEP_ID) references DEP (DEP_ID) on delete cascade;
alter table USRDET add constraint FK_USRDET_USR_ID foreign key (USR_ID) references USR (USR_ID) on delete cascade;
alter table USRDET add constraint FK_USRDET_DETBOOK_ID foreign key (DETBOOK_ID) references DETBOOK (DETBOOK_ID) on delete cascade;

alter table FLTR add constraint FK_FLTR_TBL_ID foreign key (TBL_ID) references TBL (TBL_ID) on delete cascade;
alter table FLTR add constraint FK_FLTR_DEP_ID foreign key (DEP_ID) references DEP (DEP_ID) on delete cascade;
alter table FLTR add constraint FK_FLTR_OBJ_ID foreign key (OBJ_ID) references OBJ (OBJ_ID) on delete cascade;
alter table FLTRTREE add constraint FK_FLTRTREE_FLTR_ID foreign key (FLTR_ID) references FLTR (FLTR_ID) on delete cascade;
alter table FLTRTREE add constraint FK_FLTRTREE_FLTRTRTP_ID foreign key (FLTRTRTP_ID) references FLTRTRTP (FLTRTRTP_ID);
alter table FLTRTREE add constraint FK_FLTRTREE_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID);
alter table FLTRTREE add constraint FK_FLTRTREE_DEP_ID foreign key (DEP_ID) references DEP (DEP_ID);
alter table FLTRTRPT add constraint FK_FLTRTRPT_FLTRTREE_ID foreign key (FLTRTREE_ID) references FLTRTREE (FLTRTREE_ID) on delete cascade;
alter table FLTRTRPT add constraint FK_FLTRTRPT_FLD_ID foreign key (FLD_ID) references FLD (FLD_ID);

alter table CURRATE add constraint FK_CURRATE_CURR_ID foreign key (CURR_ID) references CURR (CURR_ID) on delete cascade;

/* ------------------------------------------------------ delete triggers

   Firebird checks a "no action" reference at the moment the parent row goes,
   and runs cascades in no order one could rely on. Deleting an object, a field
   or a link therefore first removes, in a fixed order, what belongs to it, so
   that what is left to check are uses from elsewhere; those are refused with a
   message that names the user. */

create exception E_CATALOGUE 'Изменение каталога невозможно';

set term ^ ;

/* A link takes its filters (those attached to it and to its views) with it;
   its views and detail tabs follow by cascade. Refused while a summing field
   adds up over it or a filter of something else compares through it. */
create trigger DEP_BD for DEP active before delete position 0 as
begin
  delete from FLTR
  where DEP_ID = old.DEP_ID
     or TBL_ID in (select T.TBL_ID from TBL T where T.DEP_ID = old.DEP_ID);

  if (exists(select 1 from FLD A where A.DEP_ID_AGR = old.DEP_ID)) then
    exception E_CATALOGUE
      'Связь "' || coalesce(nullif(old.DEP_CAPT, ''), old.DEP_NAME,
                            (select F.FLD_CAPT from FLD F where F.FLD_ID = old.FLD_ID_CHI), '') ||
      '" нельзя удалить: по ней считается суммирующее поле "' ||
      (select first 1 coalesce(A.FLD_CAPT, A.FLD_FIELD) from FLD A where A.DEP_ID_AGR = old.DEP_ID order by A.FLD_ID) || '"';

  if (exists(select 1 from FLTRTREE N where N.DEP_ID = old.DEP_ID)) then
    exception E_CATALOGUE
      'Связь "' || coalesce(nullif(old.DEP_CAPT, ''), old.DEP_NAME,
                            (select F.FLD_CAPT from FLD F where F.FLD_ID = old.FLD_ID_CHI), '') ||
      '" нельзя удалить: она используется в фильтре "' ||
      (select first 1 coalesce(R.FLTR_CAPT, R.FLTR_NAME, '') from FLTRTREE N join FLTR R on R.FLTR_ID = N.FLTR_ID
       where N.DEP_ID = old.DEP_ID order by N.FLTRTREE_ID) || '"';
end^

/* A field takes its formula and the links through it (as parent key or as
   referencing column) with it. Refused while it is summed by a summing field,
   used in a formula (as a value or a path step), shown in a view or a card,
   or compared by a filter. */
create trigger FLD_BD for FLD active before delete position 0 as
begin
  delete from FRMLTREE where FLD_ID = old.FLD_ID;
  delete from DEP where FLD_ID_PAR = old.FLD_ID or FLD_ID_CHI = old.FLD_ID;

  if (exists(select 1 from FLD A where A.FLD_ID_AGR = old.FLD_ID)) then
    exception E_CATALOGUE
      'Поле "' || coalesce(old.FLD_CAPT, old.FLD_FIELD) || '" нельзя удалить: его суммирует поле "' ||
      (select first 1 coalesce(A.FLD_CAPT, A.FLD_FIELD) from FLD A where A.FLD_ID_AGR = old.FLD_ID order by A.FLD_ID) || '"';

  if (exists(select 1 from FRMLTREE N where N.FLD_ID_VALUE = old.FLD_ID)
      or exists(select 1 from FRMLTRPT P where P.FLD_ID = old.FLD_ID)) then
    exception E_CATALOGUE
      'Поле "' || coalesce(old.FLD_CAPT, old.FLD_FIELD) || '" нельзя удалить: оно используется в формуле поля "' ||
      (select first 1 coalesce(F.FLD_CAPT, F.FLD_FIELD) from FLD F
       where F.FLD_ID in (select N.FLD_ID from FRMLTREE N where N.FLD_ID_VALUE = old.FLD_ID)
          or F.FLD_ID in (select N.FLD_ID from FRMLTREE N join FRMLTRPT P on P.FRMLTREE_ID = N.FRMLTREE_ID
                          where P.FLD_ID = old.FLD_ID)
       order by F.FLD_ID) || '"';

  if (exists(select 1 from TBLTREE N where N.FLD_ID = old.FLD_ID)) then
    exception E_CATALOGUE
      'Поле "' || coalesce(old.FLD_CAPT, old.FLD_FIELD) || '" нельзя удалить: оно показано в представлении "' ||
      (select first 1 coalesce(T.TBL_CAPT, T.TBL_NAME, '') from TBLTREE N join TBL T on T.TBL_ID = N.TBL_ID
       where N.FLD_ID = old.FLD_ID order by N.TBLTREE_ID) || '"';

  if (exists(select 1 from CTRLTREE N where N.FLD_ID = old.FLD_ID)) then
    exception E_CATALOGUE
      'Поле "' || coalesce(old.FLD_CAPT, old.FLD_FIELD) || '" нельзя удалить: оно показано в карточке "' ||
      (select first 1 coalesce(C.CARD_CAPT, C.CARD_NAME, '') from CTRLTREE N join CARD C on C.CARD_ID = N.CARD_ID
       where N.FLD_ID = old.FLD_ID order by N.CTRLTREE_ID) || '"';

  if (exists(select 1 from FLTRTREE N where N.FLD_ID = old.FLD_ID)
      or exists(select 1 from FLTRTRPT P where P.FLD_ID = old.FLD_ID)) then
    exception E_CATALOGUE
      'Поле "' || coalesce(old.FLD_CAPT, old.FLD_FIELD) || '" нельзя удалить: оно используется в фильтре "' ||
      (select first 1 coalesce(R.FLTR_CAPT, R.FLTR_NAME, '') from FLTR R
       where R.FLTR_ID in (select N.FLTR_ID from FLTRTREE N where N.FLD_ID = old.FLD_ID)
          or R.FLTR_ID in (select N.FLTR_ID from FLTRTREE N join FLTRTRPT P on P.FLTRTREE_ID = N.FLTRTREE_ID
                           where P.FLD_ID = old.FLD_ID)
       order by R.FLTR_ID) || '"';
end^

/* An object takes everything that describes it with it: its summing
   settings, formulas, filters, views, cards, detail sets and the links its
   fields refer through; its fields then follow by cascade. Refused while
   another object refers to it (the link would be left without its parent). */
create trigger OBJ_BD for OBJ active before delete position 0 as
begin
  if (exists(select 1 from DEP D
             join FLD P on P.FLD_ID = D.FLD_ID_PAR
             join FLD C on C.FLD_ID = D.FLD_ID_CHI
             where P.OBJ_ID = old.OBJ_ID and C.OBJ_ID <> old.OBJ_ID)) then
    exception E_CATALOGUE
      'Объект "' || coalesce(old.OBJ_CAPT, old.OBJ_TABLE) || '" нельзя удалить: на него ссылается объект "' ||
      (select first 1 coalesce(O.OBJ_CAPT, O.OBJ_TABLE) from DEP D
       join FLD P on P.FLD_ID = D.FLD_ID_PAR
       join FLD C on C.FLD_ID = D.FLD_ID_CHI
       join OBJ O on O.OBJ_ID = C.OBJ_ID
       where P.OBJ_ID = old.OBJ_ID and C.OBJ_ID <> old.OBJ_ID order by D.DEP_ID) || '"';

  update FLD set DEP_ID_AGR = null, FLD_ID_AGR = null
  where OBJ_ID = old.OBJ_ID and (DEP_ID_AGR is not null or FLD_ID_AGR is not null);
  delete from FRMLTREE where FLD_ID in (select F.FLD_ID from FLD F where F.OBJ_ID = old.OBJ_ID);
  delete from FLTR
  where OBJ_ID = old.OBJ_ID
     or TBL_ID in (select T.TBL_ID from TBL T where T.OBJ_ID = old.OBJ_ID);
  delete from TBL where OBJ_ID = old.OBJ_ID;
  delete from CARD where OBJ_ID = old.OBJ_ID;
  delete from DETBOOK where OBJ_ID = old.OBJ_ID;
  delete from DEP
  where FLD_ID_CHI in (select F.FLD_ID from FLD F where F.OBJ_ID = old.OBJ_ID)
     or FLD_ID_PAR in (select F.FLD_ID from FLD F where F.OBJ_ID = old.OBJ_ID);
end^

set term ; ^
