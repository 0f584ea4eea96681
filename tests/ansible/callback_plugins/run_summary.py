# Prints one line for playbook-run.sh: "CHANGED FAILURES END" of the host localhost, END being
# the role's end event as JSON (null when the role ran nothing). Debian's ansible-core has no
# JSON output of its own; failed tasks are shown on standard error.
import json
import sys

from ansible.plugins.callback import CallbackBase


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = "stdout"
    CALLBACK_NAME = "run_summary"

    def __init__(self):
        super().__init__()
        self.end = None

    def v2_runner_on_ok(self, result):
        facts = result._result.get("ansible_facts", {})
        if "linuxinstaller_result" in facts:
            self.end = facts["linuxinstaller_result"]

    def v2_runner_on_failed(self, result, ignore_errors=False):
        print("FAILED: %s: %s" % (result._task.get_name(), json.dumps(result._result)),
              file=sys.stderr)

    def v2_playbook_on_stats(self, stats):
        host = stats.summarize("localhost")
        print(host["changed"], host["failures"], json.dumps(self.end))
