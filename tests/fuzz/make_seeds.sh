#!/usr/bin/env bash
# Writes a few small data files into the folder given as argument: a registry
# with records, a user file with entries, CRLF and single-line variants, a
# byte-order mark, a declaration, entities and a comment.
set -euo pipefail
dir=$1
mkdir -p "$dir"
printf '<config>\n\t<patient id="0">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee &amp; Co</last>\n\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n\t<patient id="3">\n\t\t<name>\n\t\t\t<first>B&lt;b</first>\n\t\t\t<last/>\n\t\t</name>\n\t\t<file>user3.hma</file>\n\t</patient>\n</config>\n' >"$dir/seed_registry.hma"
printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<patient id="2">\r\n\t<info>\r\n\t\t<name>\r\n\t\t\t<first>Zo\xc3\xab</first>\r\n\t\t\t<last>K</last>\r\n\t\t</name>\r\n\t\t<dob>1950/3/7</dob>\r\n\t</info>\r\n\t<variable name="Blood Pressure">\r\n\t\t<normalLow>\r\n\t\t\t<systolic>90</systolic>\r\n\t\t\t<diastolic>60</diastolic>\r\n\t\t</normalLow>\r\n\t\t<entry id="0">\r\n\t\t\t<systolic>120.000000</systolic>\r\n\t\t\t<date>2026/12/6</date>\r\n\t\t\t<time>8:05:00 AM</time>\r\n\t\t</entry>\r\n\t</variable>\r\n</patient>\r\n' >"$dir/seed_user_crlf.hma"
printf '\xef\xbb\xbf<patient id="1"><!-- note --><info><name><first>a</first><last>b</last></name></info><variable name="Pulse"><normalLow>60</normalLow><entry id="0"><value>72.000000</value><date>2026/1/2</date><time>1:02:03 pm</time></entry></variable><lab name="x"/><drug name="y">z</drug></patient>' >"$dir/seed_user_oneline.hma"
printf '<!DOCTYPE patient [<!ELEMENT patient ANY>]>\n<patient id="4"><![CDATA[raw <text>]]><?pi data?><info>&#65;&#x42;&quot;&apos;&gt;</info></patient>\n' >"$dir/seed_misc.hma"
