<?php
// Sent through the package's own mail sender and SMTP client, to the relay the test set.
echo mail('someone@example.com', 'From a fresh root', "Sent by the package.\n",
          'From: fresh@example.com') ? 'sent' : 'not sent';
