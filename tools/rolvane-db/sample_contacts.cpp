// SPDX-License-Identifier: GPL-3.0-or-later
// Invented people and businesses. Phone numbers use the 555-01xx block kept for fiction and
// e-mail addresses the example domains, so no real line or mailbox is ever reached.
#include "sample_contacts.h"

#include "data/date_stamp.h"

namespace rolvane::tool {

namespace {
// In the form the program itself stamps an Update with on this machine.
std::string stamp(int year, int month, int day) {
    return dateStamp(QDate(year, month, day)).toStdString();
}
} // namespace

const std::vector<Contact>& sampleContacts() {
    static const std::vector<Contact> contacts = {
        {.firstName = "Maren",
         .lastName = "Holloway",
         .ph1 = "(503) 555-0142",
         .ph2 = "(503) 555-0187",
         .email = "maren.holloway@example.com",
         .bus = "(503) 555-0100",
         .addy = "41 Wrenfield Lane\nApt 3B\nCedar Falls, OR 97411",
         .comments = "Met at the spring book fair.\nPrefers texts to calls.",
         .lastUpdate = stamp(2024, 3, 14)},
        {.firstName = "Jasper",
         .lastName = "Holloway",
         .ph1 = "(503) 555-0143",
         .email = "jasper.h@example.com",
         .addy = "41 Wrenfield Lane\nApt 3B\nCedar Falls, OR 97411",
         .comments = "Maren's brother."},
        {.firstName = "Niamh",
         .lastName = "O'Brien",
         .ph1 = "(617) 555-0119",
         .email = "niamh.obrien@example.org",
         .bus = "(617) 555-0150",
         .fax = "(617) 555-0151",
         .addy = "12 Quarry Street\nSomerton, MA 02144",
         .comments = "Accountant; send receipts before the end of March.",
         .lastUpdate = stamp(2024, 1, 9)},
        {.firstName = "Pieter",
         .lastName = "van der Molen",
         .ph1 = "+31 20 555 0164",
         .email = "p.vandermolen@example.net",
         .addy = "Keizerskade 88\n1015 AX Amsterdam\nNetherlands",
         .comments = "Files under V although the name is written in lower case."},
        {.firstName = "Ferro",
         .lastName = "",
         .ph1 = "(312) 555-0176",
         .comments = "Goes by one name only. Fixes bicycles."},
        {.lastName = "1st Choice Plumbing",
         .email = "office@plumbing.example.com",
         .bus = "(312) 555-0133",
         .fax = "(312) 555-0134",
         .addy = "900 Ridgeline Ave, Unit 4\nMaple Bluff, IL 60611",
         .comments = "Emergency line answers around the clock."},
        {.firstName = "Zoë",
         .lastName = "Brückner",
         .ph1 = "+49 30 5550 1923",
         .email = "zoe.brueckner@example.de",
         .addy = "Lindenstraße 17\n10969 Berlin\nGermany",
         .comments = "Übersetzerin; speaks German, French and English.",
         .lastUpdate = stamp(2023, 11, 2)},
        {.firstName = "José",
         .lastName = "Nuñez",
         .ph1 = "(210) 555-0158",
         .ph2 = "(210) 555-0159",
         .ph3 = "(210) 555-0160",
         .email = "jose.nunez@example.com",
         .addy = "2207 Alamo Heights Blvd\nSan Rafael, TX 78209"},
        {.firstName = "Åsa",
         .lastName = "Ødegård",
         .ph1 = "+47 22 55 50 11",
         .email = "asa.odegard@example.no",
         .addy = "Bjørnstjerne Bjørnsons gate 5\n0254 Oslo\nNorway",
         .comments = "Sorts under O, beside the plain O: the stroke is an accent to the order."},
        {.firstName = "Tobias",
         .lastName = "Quennell",
         .ph1 = "(415) 555-0121",
         .email = "tq@example.com",
         .bus = "(415) 555-0122",
         .addy = "PO Box 4410\nHalcyon Bay, CA 94016",
         .lastUpdate = stamp(2024, 6, 30)},
        {.firstName = "Priya",
         .lastName = "Ramaswamy",
         .ph1 = "(919) 555-0137",
         .email = "priya.ramaswamy@example.org",
         .addy = "7 Larkspur Court\nDurham Ridge, NC 27701",
         .comments = "Dentist. Next check-up in October."},
        {.firstName = "Imogen",
         .lastName = "Fairbairn",
         .ph1 = "+44 131 555 0193",
         .email = "imogen@fairbairn.example.co.uk",
         .addy = "3F2, 14 Marchmont Crescent\nEdinburgh EH9 1HN\nScotland"},
        {.firstName = "Yusuf",
         .lastName = "Kalender",
         .ph1 = "(646) 555-0105",
         .email = "y.kalender@example.com",
         .bus = "(646) 555-0106",
         .addy = "350 Orchard Row, Floor 12\nNew Amsterdam, NY 10013",
         .comments = "Landlord's agent; rent is due on the first."},
    };
    return contacts;
}

} // namespace rolvane::tool
