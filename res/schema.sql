-- The tables of a fresh, empty Corvane address book ("Corvane.bin"), as created by corvane-create-db.
-- Statements are separated by ";"; lines starting with "--" are comments.

-- Address groups. Ids come from the database and are never reused, so a deleted group's id can never
-- come back and adopt the addresses it left behind.
create table AddressCata (
    id integer primary key autoincrement,
    name text not null
);

-- Addresses. group_id names an AddressCata row, but nothing ties them: deleting a group leaves its rows.
create table AddressList (
    id integer primary key autoincrement,
    group_id integer not null,
    email text not null,
    name text not null
);

-- Every duplicate check looks up (group_id, email), and every group load reads by group_id.
create index AddressList_group_email on AddressList (group_id, email);
-- Finding an address whatever its letter case (the find, the removal of the addresses a file lists) looks up
-- lower(email).
create index AddressList_lower_email on AddressList (lower(email));
-- Finding a name equal to or starting with a text, whatever its letter case, looks up lower(name).
create index AddressList_lower_name on AddressList (lower(name));

-- Search keywords and sponsor links, replaced whole by the refresh; ids are positions in the server's file.
create table SearchKey (
    id integer not null,
    keyword text not null
);

create table Links (
    id integer not null,
    site text not null,
    url text not null
);
