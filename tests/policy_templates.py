"""Usage: policy_templates.py ADMX ADML OUT. Checks the Group Policy templates (exits
non-zero at the first fault), then writes to OUT each registry write the ADMX makes Group
Policy do, one a line: policy, enabled|disabled, key, value name, type, data, tab-separated."""
import re
import sys
import xml.etree.ElementTree as ET

ROOT = "software\\policies\\tessmark\\korvane"  # compared in lower case
NAMES = {"TrustedNetworks", "UserTrustedList", "ComputerLock", "QuickClick", "DEBUG_chk",
         "IP_list", "Autostart", "AllowExit"}


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


def value(node, key, name):  # an enabledValue, disabledValue or list item's <value>
    types = {"decimal": "REG_DWORD", "string": "REG_SZ", "delete": "DELETE"}
    data = node[0] if node is not None and len(node) else None
    check(data is not None and data.tag in types, f"{name}: no decimal, string or delete value")
    return key, name, types[data.tag], data.get("value", data.text or "")


admx_path, adml_path, out_path = sys.argv[1:]
admx, adml = parse(admx_path), parse(adml_path)
defined = {f"$({n.tag}.{n.get('id')})": n for n in adml.iter()
           if n.tag in ("string", "presentation")}  # by the ADMX's reference: "$(string.X)"
for reference in re.findall(r"\$\((?:string|presentation)\.[^)]*\)", ET.tostring(admx, "unicode")):
    check(reference in defined, f"{reference} is not defined in {adml_path}")
categories = {c.get("name") for c in admx.iter("category")}
for parent in admx.iter("parentCategory"):
    check(parent.get("ref") in categories, f"category {parent.get('ref')} is not defined")
supported = {d.get("name") for d in admx.iter("definition")}
names = sorted(p.get("name") for p in admx.iter("policy"))
check(names == sorted(NAMES), f"the policies are {names}, not {sorted(NAMES)}")
lines = []
for policy in admx.iter("policy"):
    name, key, value_name = policy.get("name"), policy.get("key"), policy.get("valueName")
    check(policy.get("class") == "Both", f"{name}: class {policy.get('class')}, not Both")
    check(policy.find("parentCategory") is not None, f"{name}: no category")
    on = policy.find("supportedOn")
    check(on is not None and on.get("ref") in supported, f"{name}: its supportedOn is not defined")
    for where in {key or ""} | {n.get("key") for n in policy.iter() if n.get("key")}:
        check(not re.match(r"software\\(policies\\)?microsoft(\\|$)", where, re.I),
              f"{name}: {where} is under Microsoft's keys (Intune refuses them)")
        check((where + "\\").lower().startswith(ROOT + "\\"), f"{name}: {where} is outside {ROOT}")
    elements = policy.findall("elements/*")
    shown = defined.get(policy.get("presentation"), [])
    check({e.get("id") for e in elements} == {r.get("refId") for r in shown} - {None},
          f"{name}: its presentation does not show exactly its elements")
    # With a value missing for a state, Group Policy shows the policy's state wrongly.
    values = [policy.find(f"{state}Value") is not None for state in ("enabled", "disabled")]
    check(values == [bool(value_name)] * 2, f"{name}: valueName needs enabled and disabledValue")
    for state in ("enabled", "disabled"):
        writes = [value(v, key, value_name) for v in policy.findall(f"{state}Value")]
        for items in policy.findall(f"{state}List"):
            writes += [value(i.find("value"), i.get("key") or items.get("defaultKey") or key,
                             i.get("valueName", "")) for i in items.iter("item")]
        for element in elements:
            check(element.tag == "list", f"{name}: a {element.tag} element is not listed")
            check(element.get("valuePrefix") is not None,  # else the data names the value
                  f"{name}: a list without valuePrefix (\"\" names the values 1, 2, ...)")
            where = element.get("key") or key
            writes.append((where, element.get("valuePrefix", ""), "LIST", "")
                          if state == "enabled" else (where, "", "DELVALS", ""))
        lines += ["\t".join((name, state) + write) for write in writes]
with open(out_path, "w", encoding="utf-8", newline="\n") as out:
    out.write("".join(line + "\n" for line in lines))
