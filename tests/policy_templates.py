"""Usage: policy_templates.py ADMX ADML OUT. Checks the Group Policy templates (exits
non-zero at the first fault), then writes to OUT each registry write the ADMX makes Group
Policy do, one a line: policy, enabled|disabled, key, value name, type, data, tab-separated."""
import re
import sys
import xml.etree.ElementTree as ET

# Every key below the product's own: none under Software\Microsoft, which Intune refuses.
ROOT = "software\\policies\\tessmark\\korvane"
WRITES = {"decimal": "REG_DWORD", "string": "REG_SZ", "delete": "DELETE"}


def check(ok, message):
    if not ok:
        sys.exit(f"policy templates: {message}")


def parse(path):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        check(False, f"{path}: {error}")
    for node in root.iter():  # "{namespace}policy" -> "policy"
        node.tag = node.tag.rpartition("}")[2]
    return root


admx, adml, out = parse(sys.argv[1]), parse(sys.argv[2]), sys.argv[3]
defined = {f"$({n.tag}.{n.get('id')})": n for n in adml.iter()
           if n.tag in ("string", "presentation")}
for reference in re.findall(r"\$\((?:string|presentation)\.[^)]*\)", ET.tostring(admx, "unicode")):
    check(reference in defined, f"{reference} is not defined in the ADML")
known = {n.get("name") for n in admx.iter() if n.tag in ("category", "definition")}
for reference in (n.get("ref") for n in admx.iter() if n.tag in ("parentCategory", "supportedOn")):
    check(reference is None or reference in known, f"{reference} is not defined")
lines = []
for policy in admx.iter("policy"):
    name, key, value_name = policy.get("name"), policy.get("key"), policy.get("valueName")
    check(policy.get("class") == "Both", f"{name}: its class is not Both")
    check(policy.find("parentCategory") is not None and policy.find("supportedOn") is not None,
          f"{name}: no category or supportedOn")
    elements = policy.findall("elements/*")
    for where in [key] + [e.get("key") for e in elements if e.get("key")]:
        check((where.lower() + "\\").startswith(ROOT + "\\"), f"{name}: {where} is not below {ROOT}")
    shown = {r.get("refId") for r in defined.get(policy.get("presentation"), [])} - {None}
    check({e.get("id") for e in elements} == shown, f"{name}: its presentation shows other elements")
    for state in ("enabled", "disabled"):
        value = policy.find(f"{state}Value")
        check((value is not None and len(value) > 0 and value[0].tag in WRITES) == bool(value_name),
              f"{name}: a valueName takes an enabledValue and a disabledValue, and only it")
        if value_name:
            data = value[0].get("value", value[0].text or "")
            lines.append((name, state, key, value_name, WRITES[value[0].tag], data))
        for element in elements:
            # Without a prefix Group Policy names each value after its data; "" names them 1, 2, ...
            check(element.tag == "list" and element.get("valuePrefix") is not None,
                  f"{name}: only lists with a valuePrefix are read here")
            where = element.get("key") or key
            lines.append((name, state, where) + ((element.get("valuePrefix"), "LIST", "")
                         if state == "enabled" else ("", "DELVALS", "")))
with open(out, "w", encoding="utf-8", newline="\n") as file:
    file.write("".join("\t".join(line) + "\n" for line in lines))
