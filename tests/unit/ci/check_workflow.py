"""Checks a GitHub Actions workflow: valid YAML, a trigger, and jobs whose
steps each either run a command or use an action, with every ${{ }}
expression closed."""
import re
import sys

import yaml


def main(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    doc = yaml.safe_load(text)
    errors = []
    # YAML 1.1 reads the bare key "on" as true.
    if not isinstance(doc, dict) or not ("on" in doc or True in doc):
        errors.append("no trigger (on:)")
    jobs = doc.get("jobs") if isinstance(doc, dict) else None
    if not isinstance(jobs, dict) or not jobs:
        errors.append("no jobs")
        jobs = {}
    for name, job in jobs.items():
        if not isinstance(job, dict) or "runs-on" not in job:
            errors.append(f"job {name}: no runs-on")
            continue
        steps = job.get("steps")
        if not isinstance(steps, list) or not steps:
            errors.append(f"job {name}: no steps")
            continue
        for i, step in enumerate(steps, 1):
            kinds = [k for k in ("run", "uses") if isinstance(step, dict) and k in step]
            if len(kinds) != 1:
                errors.append(f"job {name}, step {i}: needs exactly one of run and uses")
    for line_no, line in enumerate(text.splitlines(), 1):
        if line.count("${{") != len(re.findall(r"\$\{\{[^}]*\}\}", line)):
            errors.append(f"line {line_no}: an unclosed ${{{{ }}}} expression")
    for e in errors:
        print(f"{path}: {e}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
